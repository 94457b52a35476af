#include "hostgame/scenarios/startup_failure_scenarios.h"

#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/loader/plugin_cache.h"
#include "hostgame/loader/plugin_loader.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <vector>

namespace HostGame {

namespace {

using namespace std::chrono_literals;

// The log up to the detour.
std::vector<std::string> logUpToTheDetour() {
    std::vector<std::string> log(kStartupLog.begin(), kStartupLog.begin() + 6);
    return log;
}

// The start-up cannot detour lua_setglobal: it stops right there.
int detourFails(ScenarioChecks& checks, const char* scenario, const PluginRunOptions& options) {
    const auto run = runPlugin(freshPluginCopy(scenario), kMinimalCustomData, options);
    checks.check(run.loaded && !run.result, "tovek_plugin_init returned false");
    std::vector<std::string> expected = logUpToTheDetour();
    expected.push_back("Failed to hook");
    checks.checkLog(run.log, expected);
    return checks.exitCode();
}

int setglobalNotFound(ScenarioChecks& checks) {
    for (GameLuaReg& record : g_baseLibArray) {
        if (std::strcmp(record.name, "setglobal") == 0) record.name = "setglobax";
    }
    return detourFails(checks, "setglobal_not_found", {});
}

int hookRefused(ScenarioChecks& checks) {
    PluginRunOptions options;
    options.refuseHooks = true;
    return detourFails(checks, "hook_refused", options);
}

// A late step fails while a game thread waits in the live detour: the thread is let go, its
// global assigned, and nothing registered.
int failsAfterTheDetour(ScenarioChecks& checks, const char* scenario, const std::string& customData,
                        const std::string& failure) {
    auto state = newGameState();
    lua_State* L = state.get();
    std::future<void> script;
    PluginRunOptions options;
    options.onLog = [&](const std::string& line) {
        if (line != "Loading plugins") return;
        script = std::async(std::launch::async,
                            [L] { assignGlobalFunction(L, "GetFrame", host_base_noop); });
        checks.check(script.wait_for(200ms) == std::future_status::timeout,
                     "the script's setglobal waits for the start-up");
    };
    const auto run = runPlugin(freshPluginCopy(scenario), customData.c_str(), options);
    checks.check(run.loaded && !run.result, "tovek_plugin_init returned false");
    checks.check(!run.log.empty() && run.log.back() == failure,
                 "the last log line is \"" + failure + "\"");
    checks.check(script.valid() && script.wait_for(kHangLimit) == std::future_status::ready,
                 "the waiting script's setglobal returned after the failure");
    checks.check(hasGlobal(L, "GetFrame", HostLua::kFunction),
                 "the game's own setglobal assigned the global");
    checks.check(!hasGlobal(L, "_tovek_lua_plugin_checker", HostLua::kFunction),
                 "no library was registered");
    return checks.exitCode();
}

int definesNotValid(ScenarioChecks& checks) {
    return failsAfterTheDetour(
        checks, "defines_not_valid",
        R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}], "defines": {"a": 1, "b": true}})",
        "invalid json: defines' values must be number or string");
}

// A cache handed inline loads, but the save has nowhere to write it.
int inlineCacheValue(ScenarioChecks& checks) {
    const auto first = freshPluginCopy("inline_cache_value");
    checks.check(runStartupInNewProcess(first) == 0, "a first process wrote a cache file");
    const nlohmann::json config = {
        {"cache", {{"value", readCacheFileJson(cacheFileOf(first))}}},
        {"luaPluginData", {{{"name", "KV9RudiVeruvPlugin"}}}}};
    return failsAfterTheDetour(
        checks, "inline_cache_value", config.dump(),
        "serialization of PointersCache with no path provided is not implemented yet");
}

}  // namespace

const std::vector<Scenario>& startupFailureScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"setglobal_not_found", setglobalNotFound},
        {"hook_refused", hookRefused},
        {"defines_not_valid", definesNotValid},
        {"inline_cache_value", inlineCacheValue},
    };
    return scenarios;
}

}  // namespace HostGame
