
-- setUnitTeam(teamId, aiControl, whichUnits, whoseUnits) moves the units to the team
-- "Player_N/teamPlayer_N"; with aiControl the AI commands them from then on.
-- Lua 4.0 has no booleans: the argument list says true or false.
local true, false = 1, nil

local setUnitTeam = function(teamId, aiControl, whichUnits, whoseUnits)
  %forEachChosenUnit(whichUnits, whoseUnits, function(unit)
    ExecuteAction("UNIT_SET_TEAM", unit, %teamId)
    if %aiControl then ExecuteAction("NAMED_SET_AI_CONTROLLED", unit) end
  end)
end

setUnitTeam