#include "hostgame/scenarios/bridge_scenarios.h"

#include "hostgame/game/game_animation.h"
#include "hostgame/game/game_animation_chain.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/scenarios/message_box_recorder.h"
#include "hostgame/loader/plugin_loader.h"
#include "hostgame/scenarios/world_scenarios.h"

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <future>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace HostGame {

namespace {

using namespace std::chrono_literals;
using HostLua::Value;

// Runs work on a game Lua thread of its own; false when it hung.
bool onGameThread(const std::function<void()>& work) {
    auto done = std::async(std::launch::async, work);
    return done.wait_for(kHangLimit) == std::future_status::ready;
}

void checkResult(ScenarioChecks& checks, lua_State* L, const char* call,
                 std::initializer_list<ScriptArgument> args, const std::string& expected) {
    const std::string actual = resultOf(L, call, args);
    checks.check(actual == expected, std::string(call) + " gives " + expected +
                                         (actual == expected ? "" : ", not " + actual));
}

// The start-up stops at the plug-in list after the detour is live: game threads must not wait
// for good, and nothing is registered.
int missingLuaPluginData(ScenarioChecks& checks) {
    const auto run = runPlugin(freshPluginCopy("missing_lua_plugin_data"), R"({"cache": null})");
    checks.check(run.loaded && !run.result, "tovek_plugin_init returned false");
    checks.checkLog(run.log, {"Initializing KV9 lua bridge", "Retrieving cache",
                              "Completing initialization",
                              "Finding Game WB <ThisPlayer> global variable",
                              "Extending range limits", "Hooking functions",
                              "[json.exception.out_of_range.403] key 'luaPluginData' not found"});
    std::unique_ptr<lua_State> state;
    const bool returned = onGameThread([&] {
        state = newGameState();
        assignGlobalFunction(state.get(), "GetFrame", host_base_noop);
    });
    checks.check(returned, "a game thread's setglobal returns after the failed start-up");
    if (returned) {
        checks.check(hasGlobal(state.get(), "GetFrame", HostLua::kFunction),
                     "the game's own setglobal assigned the global");
        checks.check(!hasGlobal(state.get(), "_tovek_lua_plugin_checker", HostLua::kFunction),
                     "no library was registered");
    }
    return checks.exitCode();
}

// The time-pause plug-in is built in: custom data without its entry fails the start-up.
int luaPluginDataWithoutRudiVeruv(ScenarioChecks& checks) {
    const auto run = runPlugin(freshPluginCopy("lua_plugin_data_without_rudiveruv"),
                               R"({"cache": null, "luaPluginData": [{"name": "Other"}]})");
    checks.check(!run.result, "tovek_plugin_init returned false");
    std::vector<std::string> expected = kStartupLog;
    expected.pop_back();  // the plug-in never loads
    expected.push_back("json does not have entry for KV9RudiVeruvPlugin");
    checks.checkLog(run.log, expected);
    return checks.exitCode();
}

int luaPluginDataNotArray(ScenarioChecks& checks) {
    const auto run = runPlugin(freshPluginCopy("lua_plugin_data_not_array"),
                               R"({"cache": null, "luaPluginData": {}})");
    checks.check(!run.result, "tovek_plugin_init returned false");
    checks.check(!run.log.empty() && run.log.back() == "invalid json: luaPluginData must be array",
                 "the last log line is \"invalid json: luaPluginData must be array\"");
    return checks.exitCode();
}

// A script assigns "GetFrame" while the start-up is still running (at its plug-in step): the
// global is there at once, and the registration follows when the start-up completes.
int getFrameDuringStartup(ScenarioChecks& checks) {
    auto state = HostLua::newState();
    lua_State* L = state.get();
    std::future<void> script;
    bool assignedEarly = false;
    bool registeredEarly = true;
    PluginRunOptions options;
    options.onLog = [&](const std::string& line) {
        if (line != "Loading plugins") return;
        const int before = HostLua::g_setglobalCount;
        script = std::async(std::launch::async,
                            [L] { assignGlobalFunction(L, "GetFrame", host_base_noop); });
        const auto limit = std::chrono::steady_clock::now() + kHangLimit;
        while (HostLua::g_setglobalCount == before && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(10ms);
        }
        assignedEarly = hasGlobal(L, "GetFrame", HostLua::kFunction);
        registeredEarly = hasGlobal(L, "_tovek_lua_plugin_checker", HostLua::kFunction);
        checks.check(script.wait_for(200ms) == std::future_status::timeout,
                     "the script's setglobal waits for the start-up");
    };
    const auto run = runPlugin(freshPluginCopy("getframe_during_startup"),
                               R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})", options);
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.check(assignedEarly, "GetFrame was assigned while the start-up ran");
    checks.check(!registeredEarly, "nothing was registered before the start-up completed");
    checks.check(script.valid() && script.wait_for(kHangLimit) == std::future_status::ready,
                 "the script's setglobal returned once the start-up completed");
    checks.check(hasGlobal(L, "_tovek_lua_plugin_checker", HostLua::kFunction) &&
                     hasGlobal(L, "GetSharedData", HostLua::kFunction),
                 "the library was registered then");
    return checks.exitCode();
}

void checkSharedData(ScenarioChecks& checks, lua_State* L) {
    checkResult(checks, L, "SetSharedData", {std::string("a"), 5.0}, "(1)");
    checkResult(checks, L, "GetSharedData", {std::string("a")}, "(5)");
    checkResult(checks, L, "SetSharedData", {std::string("a"), HostLua::pushNewTable(L)}, "(1)");
    L->top--;  // the table pushed to build the argument
    checkResult(checks, L, "GetSharedData", {std::string("a")}, "(5)");
    checkResult(checks, L, "SetSharedData", {std::string("a"), std::monostate{}}, "(1)");
    checkResult(checks, L, "SetSharedData", {std::string("a"), std::monostate{}}, "(0)");
    checkResult(checks, L, "SetSharedData", {std::string("a")}, "(nil)");
    checkResult(checks, L, "GetSharedData", {}, "(nil)");
    checkResult(checks, L, "SetSharedData", {std::string("k"), std::string("abcdef")}, "(1)");
    checkResult(checks, L, "GetSharedData", {std::string("k")}, "(\"abcdef\")");
    checkResult(checks, L, "SetSharedData", {12.0, std::string("twelve")}, "(1)");
    checkResult(checks, L, "GetSharedData", {std::string("12")}, "(\"twelve\")");
}

// A script session with the library: registration once per state, shared data, defines,
// hexadecimal parsing, and the animation functions.
int scriptLibrary(ScenarioChecks& checks) {
    const auto run = runPlugin(
        freshPluginCopy("script_library"),
        R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}], "defines": {"LEVEL": 3, "NAME": "Vellox"}})");
    checks.check(run.result, "tovek_plugin_init returned true");

    auto first = newGameState();
    lua_State* L = first.get();
    checks.check(!hasGlobal(L, "GetSharedData", HostLua::kFunction),
                 "the base library alone registers nothing");
    assignGlobalFunction(L, "GetFrame", host_base_noop);
    checks.check(hasGlobal(L, "_tovek_lua_plugin_checker", HostLua::kFunction),
                 "\"GetFrame\" registered the library and its checker");
    checks.check(hasGlobal(L, "LEVEL", HostLua::kNumber) && L->globals["LEVEL"].number == 3,
                 "the number define is a Lua number");
    checks.check(hasGlobal(L, "NAME", HostLua::kString) && L->globals["NAME"].string->text == "Vellox",
                 "the string define is a Lua string");
    checkSharedData(checks, L);
    assignGlobalFunction(L, "GetFrame", host_base_noop);
    checkResult(checks, L, "GetSharedData", {std::string("k")}, "(\"abcdef\")");

    auto second = newGameState();
    assignGlobalFunction(second.get(), "GetFrame", host_base_noop);
    checkResult(checks, second.get(), "GetSharedData", {std::string("k")}, "(nil)");
    checkResult(checks, second.get(), "SetSharedData", {std::string("k"), 1.0}, "(1)");
    assignGlobalNumber(second.get(), "_tovek_lua_plugin_checker", 1);
    assignGlobalFunction(second.get(), "GetFrame", host_base_noop);
    checkResult(checks, second.get(), "GetSharedData", {std::string("k")}, "(nil)");

    checkResult(checks, L, "HexToInt32", {std::string("ffffffff")}, "(-1)");
    checkResult(checks, L, "HexToUInt32", {std::string("ffffffff")}, "(4294967295)");
    checkResult(checks, L, "HexToUInt32", {std::string("0x1f")}, "(31)");
    checkResult(checks, L, "HexToUInt32", {std::string("zz")}, "(nan)");
    checkResult(checks, L, "GetPlayerNameByObjId", {1.0},
                "(nil, \"Error: GameObjectHashMap not initialized\")");

    AnimationContextChain chain;
    chain.setObjectIds(41, 42);
    const auto& [firstName, firstFunction] = kAnimationLuaFunctions[2];
    assignGlobalFunction(L, firstName, firstFunction);
    checks.check(hasGlobal(L, "_tovek_animation_lua_functions_checker", HostLua::kFunction),
                 "\"CurDrawableGetCurrentTargetDistance\" registered the animation functions");
    checkResult(checks, L, "AnimationLuaGetCurrentGameObjectId", {},
                "(nil, \"Animation lua global data not initialized\")");
    for (const auto& [name, function] : kAnimationLuaFunctions) assignGlobalFunction(L, name, function);
    checkResult(checks, L, "AnimationLuaGetCurrentGameObjectId", {}, "(41)");
    char address[32];
    std::snprintf(address, sizeof address, "(\"GameObject:%08X\")",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(chain.object())));
    checkResult(checks, L, "AnimationLuaGetCurrentGameObjectAddress", {}, address);
    return checks.exitCode();
}

GameLuaReg& baseLibRecord(const char* name) {
    for (GameLuaReg& record : g_baseLibArray) {
        if (std::strcmp(record.name, name) == 0) return record;
    }
    throw std::logic_error(name);
}

// A game whose base library has no "tinsert": ReadAllObjIds says so, and keeps saying so after
// the record is back, since the look-up is made once.
int tinsertMissing(ScenarioChecks& checks) {
    const auto run = runPlugin(freshPluginCopy("tinsert_missing"), R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(run.result, "tovek_plugin_init returned true");
    auto state = newGameState();
    lua_State* L = state.get();
    assignGlobalFunction(L, "GetFrame", host_base_noop);
    GameLuaReg& tinsert = baseLibRecord("tinsert");
    tinsert.name = "tinserx";
    checkResult(checks, L, "ReadAllObjIds", {HostLua::pushNewTable(L)},
                "(nil, \"tinsert not found\")");
    L->top--;
    tinsert.name = "tinsert";
    checkResult(checks, L, "ReadAllObjIds", {HostLua::pushNewTable(L)},
                "(nil, \"tinsert not found\")");
    L->top--;
    return checks.exitCode();
}

// The animation global is searched once three distinct functions have arrived; the same one
// offered again counts once, and a null one after the search is ignored. Then each link of the
// chain is cut in turn, from the object back to the data.
int animationChain(ScenarioChecks& checks) {
    const auto run = runPlugin(freshPluginCopy("animation_chain"), R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(run.result, "tovek_plugin_init returned true");
    auto state = newGameState();
    lua_State* L = state.get();
    AnimationContextChain chain;
    chain.setObjectIds(41, 42);
    const auto& [modelName, modelFunction] = kAnimationLuaFunctions[0];
    const auto& [statusName, statusFunction] = kAnimationLuaFunctions[1];
    const auto& [distanceName, distanceFunction] = kAnimationLuaFunctions[2];
    const std::string notYet = "(nil, \"Animation lua global data not initialized\")";
    for (int i = 0; i < 3; ++i) assignGlobalFunction(L, distanceName, distanceFunction);
    checkResult(checks, L, "AnimationLuaGetCurrentGameObjectId", {}, notYet);
    assignGlobalFunction(L, modelName, modelFunction);
    checkResult(checks, L, "AnimationLuaGetCurrentGameObjectId", {}, notYet);
    assignGlobalFunction(L, statusName, statusFunction);
    checkResult(checks, L, "AnimationLuaGetCurrentGameObjectId", {}, "(41)");
    assignGlobalNumber(L, modelName, 1);
    checkResult(checks, L, "AnimationLuaGetCurrentGameObjectId", {}, "(41)");

    const struct {
        AnimationContextChain::Link link;
        const char* message;
    } cuts[] = {
        {AnimationContextChain::Link::Object, "Animation lua global data current game object is null"},
        {AnimationContextChain::Link::Holder, "Animation lua global data game object holder is null"},
        {AnimationContextChain::Link::Member, "Animation lua global data member is null"},
        {AnimationContextChain::Link::Data, "Animation lua global data is null"},
    };
    for (const auto& cut : cuts) {
        chain.cut(cut.link);
        const std::string expected = std::string("(nil, \"") + cut.message + "\")";
        checkResult(checks, L, "AnimationLuaGetCurrentGameObjectId", {}, expected);
        checkResult(checks, L, "AnimationLuaGetCurrentGameObjectAddress", {}, expected);
    }
    return checks.exitCode();
}

// The module a detour's jmp rel32 over a function's first bytes leads into, if it starts so.
HMODULE detourModule(const void* function) {
    const auto* code = static_cast<const uint8_t*>(function);
    if (code[0] != 0xE9) return nullptr;
    int32_t displacement = 0;
    std::memcpy(&displacement, code + 1, sizeof displacement);
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(code + 5 + displacement), &module);
    return module;
}

// A game script reads an "ObjID..." global: the game's lua_getglobal now passes through the
// time-pause plug-in's detour, and the script still gets the global's value.
int objIdGlobalRead(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("objid_global_read");
    const auto run = runPlugin(dll, R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.check(detourModule(reinterpret_cast<const void*>(&lua_getglobal)) ==
                     GetModuleHandleW(dll.c_str()),
                 "lua_getglobal's first bytes jump into Vellox.dll");
    auto state = newGameState();
    lua_State* L = state.get();
    assignGlobalFunction(L, "GetFrame", host_base_noop);
    assignGlobalNumber(L, "ObjIDList", 7);
    lua_getglobal(L, "ObjIDList");
    checks.check(lua_gettop(L) == 1 && lua_type(L, 1) == HostLua::kNumber &&
                     lua_tonumber(L, 1) == 7,
                 "the script read ObjIDList's value, 7");
    return checks.exitCode();
}

std::string readRecord(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

// A scan failure on the game's Lua thread shows the error box and ends the process.
int fatalScan(ScenarioChecks& checks, const wchar_t* kind, int expectedExit,
              const std::string& expectedBox) {
    const auto dll = freshPluginCopy(std::string(kind, kind + std::wcslen(kind)));
    const auto record = dll.parent_path() / "message_box.txt";
    const int exit = runSelf(std::wstring(L"--fatal-child ") + kind + L" \"" + record.wstring() + L"\"");
    checks.check(exit == expectedExit, "the process ended with exit code " +
                                           std::to_string(expectedExit) + " (got " +
                                           std::to_string(exit) + ")");
    const std::string box = readRecord(record);
    checks.check(box == expectedBox, "the message box showed \"" + expectedBox + "\" (got \"" + box + "\")");
    return checks.exitCode();
}

int runFatalChild(const std::wstring& kind, const std::filesystem::path& recordFile) {
    if (!recordMessageBoxes(recordFile)) return 10;
    const auto dll = recordFile.parent_path() / "Vellox.dll";
    if (!runPlugin(dll, R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})").result) return 11;
    auto state = newGameState();
    if (kind == L"animation_null") {
        // A script gives the animation global a number: no native function to decode.
        assignGlobalNumber(state.get(), "CurDrawableModelcondition", 1);
    } else if (kind == L"animation_disagree") {
        assignGlobalFunction(state.get(), "CurDrawableModelcondition", host_cur_drawable_model_condition);
        assignGlobalFunction(state.get(), "CurDrawableObjectStatus", host_cur_drawable_object_status);
        assignGlobalFunction(state.get(), "CurDrawableGetCurrentTargetDistance", host_cur_drawable_other_global);
    } else {
        assignBrokenObjectDescription(kind, state.get());
    }
    return 12;  // still alive: the scan did not end the process
}

const std::vector<Scenario>& bridgeScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"missing_lua_plugin_data", missingLuaPluginData},
        {"lua_plugin_data_not_array", luaPluginDataNotArray},
        {"lua_plugin_data_without_rudiveruv", luaPluginDataWithoutRudiVeruv},
        {"getframe_during_startup", getFrameDuringStartup},
        {"script_library", scriptLibrary},
        {"tinsert_missing", tinsertMissing},
        {"animation_chain", animationChain},
        {"objid_global_read", objIdGlobalRead},
        {"animation_null",
         [](ScenarioChecks& checks) {
             return fatalScan(checks, L"animation_null", 3,
                              "Orrin|Retrieved animation lua function is null!");
         }},
        {"animation_disagree",
         [](ScenarioChecks& checks) {
             return fatalScan(checks, L"animation_disagree", 3,
                              "Orrin|Failed to determine animaton lua global variable address");
         }},
    };
    return scenarios;
}

}  // namespace HostGame
