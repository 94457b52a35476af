#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

namespace HostGame {

// The overlay in the game's frame: its start, fonts, hotkeys and input.
const std::vector<Scenario>& overlayScenarios();

}  // namespace HostGame
