#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

namespace HostGame {

const std::vector<Scenario>& logicScenarios();

}  // namespace HostGame
