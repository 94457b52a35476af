-- The units and buildings that have a Lua event list are the game's "ObjID..." globals. This
-- text comes first in the unit commands; Lua 4.0 reaches its locals in functions as %name.
-- whichUnits: 1 selected (by the player or an AI), 2 not selected, 0 all.
-- whoseUnits: 1 the player's, 2 the AI's, 0 all.

local isChosen = function(unit, whichUnits, whoseUnits)
  local selected = EvaluateCondition("NAMED_SELECTED", unit)
  if (whichUnits == 1 and not selected) or (whichUnits == 2 and selected) then
    return nil
  end
  local byAi = EvaluateCondition("NAMED_OWNED_BY_AI", unit)
  return whoseUnits == 0 or (whoseUnits == 1 and not byAi) or (whoseUnits == 2 and byAi)
end

-- Calls act(unit) for every chosen unit.
local forEachChosenUnit = function(whichUnits, whoseUnits, act)
  foreach(globals(), function(name, unit)
    if type(unit) == "table" and strsub(name, 1, 5) == "ObjID"
        and %isChosen(unit, %whichUnits, %whoseUnits) then
      %act(unit)
    end
  end)
end
