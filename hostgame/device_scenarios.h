#pragma once

#include "hostgame/startup_scenarios.h"

namespace HostGame {

const std::vector<Scenario>& deviceScenarios();

}  // namespace HostGame
