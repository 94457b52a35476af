
-- setUnitTeam(teamId, aiControl, whichUnits, whoseUnits): into the team "Player_N/teamPlayer_N",
-- under AI command with aiControl. Lua 4.0 has no true and false of its own.
local true, false = 1, nil
local setUnitTeam = function(teamId, aiControl, whichUnits, whoseUnits)
  %forEachChosenUnit(whichUnits, whoseUnits, function(unit)
    ExecuteAction("UNIT_SET_TEAM", unit, %teamId)
    if %aiControl then ExecuteAction("NAMED_SET_AI_CONTROLLED", unit) end
  end)
end
setUnitTeam