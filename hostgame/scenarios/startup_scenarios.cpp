#include "hostgame/scenarios/startup_scenarios.h"

#include "bridge/kv9_lua.h"
#include "bridge/pointers_cache.h"
#include "hostgame/loader/api_fields.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/loader/plugin_cache.h"
#include "hostgame/loader/plugin_loader.h"
#include "hostgame/loader/scan_watch.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>
#include <sstream>

namespace HostGame {

const char* const kMinimalCustomData = R"({"luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})";

Tovek::KV9Lua::PointersCache checkCacheFile(ScenarioChecks& checks,
                                            const std::filesystem::path& file) {
    checks.check(std::filesystem::exists(file), "the cache file lies next to the DLL");
    const auto json = readCacheFileJson(file);
    checks.check(json.is_array() && json.size() == 2 && json[0].is_string() &&
                     json[0].get<std::string>().size() == 22 && json[1].is_string(),
                 "the file is a JSON array of a 22-character IV and the ciphertext");
    auto cache = Tovek::KV9Lua::PointersCache::fromJson(json);
    checks.check(cache.find(0) == reinterpret_cast<uintptr_t>(g_baseLibArray),
                 "id 0 is the game's base-library array");
    checks.check(cache.find(1) == reinterpret_cast<uintptr_t>(&lua_pushcclosure),
                 "id 1 is the game's lua_pushcclosure");
    return cache;
}

namespace {

using Tovek::KV9Lua::KV9Lua;
using Tovek::KV9Lua::PointersCache;

// Up to the Lua API locator, where a broken game stops the start-up.
const std::vector<std::string> kLocatorLog = {
    "Initializing KV9 lua bridge", "Retrieving cache", "Completing initialization"};

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the locator on this game with the cache the plug-in wrote and checks that every field is
// the stand-in's own function, calling each once.
void checkLocatedApi(ScenarioChecks& checks, PointersCache& cache) {
    const KV9Lua api = KV9Lua::initialize(cache);
    for (const ApiField& field : standInApiFields(api)) {
        checks.check(field.found == field.expected,
                     std::string(field.name) + " is the stand-in's own");
    }

    auto state = HostLua::newState();
    auto* L = reinterpret_cast<Tovek::KV9Lua::LuaState*>(state.get());
    api.pushnumber(L, 2.5);
    api.pushstring(L, "abc");
    api.pushnil(L);
    api.pushvalue(L, 1);
    checks.check(api.gettop(L) == 4, "pushnumber, pushstring, pushnil, pushvalue: four values");
    checks.check(api.type(L, 1) == HostLua::kNumber && api.type(L, 3) == HostLua::kNil,
                 "type tells a number and a nil");
    checks.check(api.tonumber(L, 4) == 2.5, "tonumber reads the pushed copy");
    checks.check(std::strcmp(api.tostring(L, 2), "abc") == 0 && api.strlen(L, 2) == 3,
                 "tostring and strlen read the string");
    api.pushcclosure(L, reinterpret_cast<Tovek::KV9Lua::lua_CFunction>(&host_base_noop),
                     0);
    api.setglobal(L, "probe");
    api.getglobal(L, "probe");
    checks.check(api.type(L, -1) == HostLua::kFunction, "setglobal and getglobal keep a closure");
    api.settop(L, 0);
    checks.check(api.gettop(L) == 0, "settop empties the stack");
    checks.check(std::strcmp(api.baseLibEntries[0].name, "_ALERT") == 0,
                 "the array starts with \"_ALERT\"");
}

// The first start-up of a game in a fresh folder: nothing cached yet.
int coldStart(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("cold_start");
    const auto [run, searched] = runPluginWatched(dll, kMinimalCustomData);
    checks.check(searched, "a cold start-up searches the whole module");
    checks.check(run.loaded && run.result, "tovek_plugin_init returned true");
    checks.checkLog(run.log, kStartupLog);
    PointersCache cache = checkCacheFile(checks, cacheFileOf(dll));
    checkLocatedApi(checks, cache);
    return checks.exitCode();
}

// A second run of the same game reads ids 0 and 1 back and searches nothing.
int warmStart(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("warm_start");
    checks.check(runStartupInNewProcess(dll) == 0, "a first process made the cold start-up");
    const std::string coldFile = readText(cacheFileOf(dll));
    const auto [run, searched] = runPluginWatched(dll, kMinimalCustomData);
    checks.check(!searched, "a warm start-up searches no pattern in the module");
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.checkLog(run.log, kStartupLog);
    checks.check(readText(cacheFileOf(dll)) != coldFile, "the save wrote the file anew (new IV)");
    checkCacheFile(checks, cacheFileOf(dll));
    return checks.exitCode();
}

// One changed byte of game data inside the cached window: the cache is dropped, and the
// start-up searches again.
int staleCache(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("stale_cache");
    checks.check(runStartupInNewProcess(dll) == 0, "a first process made the cold start-up");
    g_baseLibTrailer ^= 0x5A;
    const auto [run, searched] = runPluginWatched(dll, kMinimalCustomData);
    checks.check(searched, "the stale cache made the start-up search again");
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.checkLog(run.log, kStartupLog);
    return checks.exitCode();
}

// "next" and "sort" of this game lead to two different settop functions.
int contradictingValues(ScenarioChecks& checks) {
    for (GameLuaReg& record : g_baseLibArray) {
        if (std::strcmp(record.name, "sort") == 0) record.function = &host_base_sort_other;
    }
    const auto run = runPlugin(freshPluginCopy("contradicting_values"), R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(run.loaded && !run.result, "tovek_plugin_init returned false");
    auto expected = kLocatorLog;
    expected.push_back("contradicting values");
    checks.checkLog(run.log, expected);
    return checks.exitCode();
}

// A failing first call, then a second call that is refused.
int failsThenRefuses(ScenarioChecks& checks, const char* scenario, const char* customData,
                     const std::vector<std::string>& expectedLog) {
    const auto dll = freshPluginCopy(scenario);
    const auto first = runPlugin(dll, customData);
    checks.check(first.loaded && !first.result, "tovek_plugin_init returned false");
    checks.checkLog(first.log, expectedLog);
    const auto second = runPlugin(dll, kMinimalCustomData);
    checks.check(!second.result, "a second call returned false");
    checks.checkLog(second.log, {"already called"});
    return checks.exitCode();
}

int secondCallAfterSuccess(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("second_call");
    const auto first = runPlugin(dll, R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(first.result, "the first call returned true");
    const auto second = runPlugin(dll, R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(!second.result, "the second call returned false");
    checks.checkLog(second.log, {"already called"});
    checks.check(!std::filesystem::exists(cacheFileOf(dll)), "\"cache\": null wrote no file");
    return checks.exitCode();
}

// A loader that hands over no block at all gets false, and the one call still left to it works.
int nullHostBlock(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("null_host_block");
    PluginRunOptions withoutBlock;
    withoutBlock.withoutBlock = true;
    const auto first = runPlugin(dll, kMinimalCustomData, withoutBlock);
    checks.check(first.loaded && !first.result, "tovek_plugin_init(nullptr) returned false");
    checks.check(first.log.empty(), "nothing was logged");
    const auto second = runPlugin(dll, R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(second.result, "the next call with a block returned true");
    return checks.exitCode();
}

}  // namespace

const std::vector<Scenario>& startupScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"cold_start", coldStart},
        {"warm_start", warmStart},
        {"stale_cache", staleCache},
        {"contradicting_values", contradictingValues},
        {"second_call", secondCallAfterSuccess},
        {"null_host_block", nullHostBlock},
        {"null_custom_data",
         [](ScenarioChecks& checks) {
             return failsThenRefuses(checks, "null_custom_data", nullptr,
                                     {"no custom data provided"});
         }},
        {"invalid_json",
         [](ScenarioChecks& checks) {
             return failsThenRefuses(
                 checks, "invalid_json", "{x",
                 {"Initializing KV9 lua bridge",
                  "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error "
                  "while parsing object key - invalid literal; last read: '{x'; expected string "
                  "literal"});
         }},
        {"tarnveil_not_boolean",
         [](ScenarioChecks& checks) {
             return failsThenRefuses(
                 checks, "tarnveil_not_boolean", R"({"isTarnveil": 1})",
                 {"Initializing KV9 lua bridge",
                  "[json.exception.type_error.302] type must be boolean, but is number"});
         }},
    };
    return scenarios;
}

int runStartupOnly(const std::filesystem::path& dll) {
    return runPlugin(dll, kMinimalCustomData).result ? 0 : 1;
}

}  // namespace HostGame
