#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

#include <vector>

namespace HostGame {

// What a host loader may hand in (a block without its routines), a cache file changed on disk,
// and what a user does through the overlay: fast-forward to a target time, time pause as a game
// Lua state ends or a replay is recorded or played.
const std::vector<Scenario>& hostAndUserScenarios();

}  // namespace HostGame
