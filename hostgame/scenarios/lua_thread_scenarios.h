#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

namespace HostGame {

// The overlay's Lua commands while the game's own Lua thread runs and ends its states.
const std::vector<Scenario>& luaThreadScenarios();

}  // namespace HostGame
