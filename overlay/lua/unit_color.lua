
-- setUnitColor(color, whichUnits, whoseUnits): color 0xRRGGBB; 0 gives the units their own
-- colour back.
local setUnitColor = function(color, whichUnits, whoseUnits)
  %forEachChosenUnit(whichUnits, whoseUnits, function(unit)
    ExecuteAction("NAMED_CUSTOM_COLOR", unit, %color)
  end)
end
setUnitColor