#include "hostgame/logic_scenarios.h"

namespace HostGame {

const std::vector<Scenario>& logicScenarios() {
    static const std::vector<Scenario> scenarios = {};
    return scenarios;
}

}  // namespace HostGame
