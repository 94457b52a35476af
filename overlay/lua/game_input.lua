-- Mouse input on/off.
local true, false = 1, nil
local setGameInput = function(on)
  ExecuteAction(on and "ENABLE_INPUT" or "DISABLE_INPUT")
end
setGameInput