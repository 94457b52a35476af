-- Units with a Lua event list are the game's "ObjID..." globals. Lua 4.0: a function sees the
-- locals of the function around it as %name. whichUnits: 1 selected (by the player or an AI),
-- 2 not selected, 0 all; whoseUnits: 1 the player's, 2 the AI's, 0 all.

-- The game's conditions may answer 0 for no.
local yes = function(answer) return answer and answer ~= 0 end

local isChosen = function(unit, whichUnits, whoseUnits)
  local selected = %yes(EvaluateCondition("NAMED_SELECTED", unit))
  if (whichUnits == 1 and not selected) or (whichUnits == 2 and selected) then
    return nil
  end
  local byAi = %yes(EvaluateCondition("NAMED_OWNED_BY_AI", unit))
  return whoseUnits == 0 or (whoseUnits == 1 and not byAi) or (whoseUnits == 2 and byAi)
end

-- act(unit) for every chosen unit.
local forEachChosenUnit = function(whichUnits, whoseUnits, act)
  local isChosen = %isChosen
  foreach(globals(), function(name, unit)
    if type(unit) == "table" and strsub(name, 1, 5) == "ObjID"
        and %isChosen(unit, %whichUnits, %whoseUnits) then
      %act(unit)
    end
  end)
end
