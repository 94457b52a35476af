#include "hostgame/device_scenarios.h"

namespace HostGame {

const std::vector<Scenario>& deviceScenarios() {
    static const std::vector<Scenario> scenarios = {};
    return scenarios;
}

}  // namespace HostGame
