#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

#include <vector>

namespace HostGame {

// The tool windows used with the mouse, as the player uses them, through Vellox.dll: the main
// window's render settings, camera keyframes played back, and the Lua functions window's
// commands.
const std::vector<Scenario>& toolWindowScenarios();

}  // namespace HostGame
