#pragma once

#include "hostgame/startup_scenarios.h"

namespace HostGame {

// The overlay in the game's frame: its start, fonts, hotkeys and input.
const std::vector<Scenario>& overlayScenarios();

}  // namespace HostGame
