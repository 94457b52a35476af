#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

namespace HostGame {

// The overlay's edge over the game's render settings and camera code, against the stand-in's
// memory at the game's fixed addresses.
const std::vector<Scenario>& renderScenarios();

}  // namespace HostGame
