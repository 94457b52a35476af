#include "hostgame/exit_scenarios.h"

#include "hostgame/game_scripts.h"
#include "hostgame/game_symbols.h"
#include "hostgame/plugin_loader.h"

#include <string>

namespace HostGame {

namespace {

constexpr int kChildRuns = 3;

// The game ends right after its last Lua state, while the plug-in's watcher of that state is
// still finishing: each process must still end cleanly.
int exitUnderWatcher(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("exit_under_watcher");
    for (int run = 1; run <= kChildRuns; ++run) {
        const int exit = runSelf(L"--exit-child \"" + dll.wstring() + L"\"");
        checks.check(exit == 0, "process " + std::to_string(run) + " ended with exit code 0 (got " +
                                    std::to_string(exit) + ")");
    }
    return checks.exitCode();
}

}  // namespace

int runExitChild(const std::filesystem::path& dll) {
    if (!runPlugin(dll, kMinimalCustomData).result) return 11;
    auto state = newGameState();
    assignGlobalFunction(state.get(), "GetFrame", host_base_noop);
    state.reset();  // closes the watch's file: the watcher wakes as the process ends
    return 0;
}

const std::vector<Scenario>& exitScenarios() {
    static const std::vector<Scenario> scenarios = {{"exit_under_watcher", exitUnderWatcher}};
    return scenarios;
}

}  // namespace HostGame
