#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

namespace HostGame {

// Start-ups that fail at the detour or after it is live.
const std::vector<Scenario>& startupFailureScenarios();

}  // namespace HostGame
