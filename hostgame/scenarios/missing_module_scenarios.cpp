#include "hostgame/scenarios/missing_module_scenarios.h"

#include "hostgame/game/game_debug_module.h"
#include "hostgame/loader/plugin_loader.h"

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

namespace HostGame {

namespace {

constexpr const char* kDebugModuleInstalled = "debug module installed";

std::vector<std::string> readLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The time-pause plug-in stops at the missing module: the start-up fails with its text, and
// the debug module installed before stays.
int moduleMissing(ScenarioChecks& checks, const char* scenario, const wchar_t* module,
                  const std::string& failure) {
    const auto dll = freshPluginCopy(scenario);
    const auto record = dll.parent_path() / "child_log.txt";
    const int exit = runSelf(std::wstring(L"--missing-module-child ") + module + L" \"" +
                             dll.wstring() + L"\" \"" + record.wstring() + L"\"");
    checks.check(exit == 1, "the child's start-up failed (exit code " + std::to_string(exit) + ")");
    std::vector<std::string> expected = kStartupLog;
    expected.pop_back();  // the plug-in never loads
    expected.push_back(failure);
    expected.push_back("Failed to initialize plugin KV9RudiVeruvPlugin");
    expected.push_back(kDebugModuleInstalled);
    checks.checkLog(readLines(record), expected);
    return checks.exitCode();
}

}  // namespace

int runMissingModuleChild(const std::filesystem::path& dll, const std::filesystem::path& record) {
    const DebugModuleCallSite site = placeDebugModuleCallSite(DebugModuleBuild::A);
    const PluginRun run = runPlugin(dll, kMinimalCustomData);
    std::ofstream out(record);
    for (const std::string& line : run.log) out << line << '\n';
    const HMODULE handle = *site.handleGlobal;
    if (handle != nullptr && GetProcAddress(handle, "CanAppContinue") != nullptr) {
        out << kDebugModuleInstalled << '\n';
    }
    return run.result ? 0 : 1;
}

const std::vector<Scenario>& missingModuleScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"d3d9_not_loaded",
         [](ScenarioChecks& checks) {
             return moduleMissing(checks, "d3d9_not_loaded", L"d3d9.dll", "d3d9.dll not loaded");
         }},
        {"msvcr80_not_loaded",
         [](ScenarioChecks& checks) {
             return moduleMissing(checks, "msvcr80_not_loaded", L"msvcr80.dll",
                                  "Failed to retrieve KV9's Visual C++ 2005 module");
         }},
    };
    return scenarios;
}

}  // namespace HostGame
