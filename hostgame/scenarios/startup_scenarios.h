#pragma once

#include "bridge/pointers_cache.h"
#include "hostgame/scenarios/scenario_checks.h"

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

// The plug-in's cache file, read with the plug-in's own reader: it holds ids 0 and 1 at the
// stand-in's array and lua_pushcclosure.
Tovek::KV9Lua::PointersCache checkCacheFile(ScenarioChecks& checks,
                                            const std::filesystem::path& file);

// One start-up with the minimal custom data; exit code 0 when it succeeded.
int runStartupOnly(const std::filesystem::path& dll);

}  // namespace HostGame
