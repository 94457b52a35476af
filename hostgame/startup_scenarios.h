#pragma once

#include "hostgame/scenario_checks.h"

#include <filesystem>
#include <functional>
#include <vector>

namespace HostGame {

struct Scenario {
    const char* name;
    std::function<int(ScenarioChecks&)> run;  // returns the process's exit code
};

// The scenarios of the plug-in's start-up, each run in a process of its own.
const std::vector<Scenario>& startupScenarios();

// The least custom data a start-up succeeds with.
extern const char* const kMinimalCustomData;

// One start-up with the minimal custom data; exit code 0 when it succeeded.
int runStartupOnly(const std::filesystem::path& dll);

}  // namespace HostGame
