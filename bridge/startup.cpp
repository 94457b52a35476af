#include "bridge/startup.h"

#include "bridge/bridge_state.h"
#include "bridge/cache_file.h"
#include "bridge/defines.h"
#include "bridge/expansion_flag.h"
#include "bridge/hook_install.h"
#include "bridge/lua_plugin_entries.h"
#include "bridge/lua_plugin_host.h"
#include "bridge/lua_registration.h"
#include "bridge/range_limit_patch.h"
#include "bridge/range_limit_scan.h"
#include "bridge/setglobal_detour.h"
#include "bridge/shared_data.h"
#include "bridge/this_player_scan.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <stdexcept>

namespace Tovek::KV9Lua {

namespace {

void hookSetglobal(const PluginHostApi& host) {
    host.log("Hooking functions");
    installHook(host.hook, g_kv9Lua.setglobal, &setglobalDetour);
}

void startPlugins(const PluginHostApi& host, const nlohmann::json& config,
                  const InternalLuaPluginTable& plugins) {
    const nlohmann::json& luaPluginData = luaPluginDataOf(config);
    host.log("Loading plugins");
    g_pluginLuaStateEntries = loadLuaPlugins(host, &g_kv9Lua, luaPluginData, plugins);
}

// Everything after the called-once guard.
void runStartupSteps(const PluginHostApi& host, const StartupEdges& edges) {
    if (host.customData == nullptr) throw std::runtime_error("no custom data provided");
    // The detour and the plug-ins' inits would call it.
    if (host.hook == nullptr) throw std::runtime_error("no hook routine provided");

    host.log("Initializing KV9 lua bridge");
    const nlohmann::json config = nlohmann::json::parse(host.customData);

    g_isExpansion.store(decideExpansionFlag(config));

    host.log("Retrieving cache");
    PointersCache cache = loadPointersCache(config, host.log);

    host.log("Completing initialization");
    g_kv9Lua = KV9Lua::initialize(cache);

    g_setglobalCallbacks = std::make_unique<SetglobalCallbacks>(makeSetglobalCallbacks());

    host.log("Finding Game WB <ThisPlayer> global variable");
    g_thisPlayerGlobal = findThisPlayerGlobal(cache, edges.scans.findFirstMessagePush);

    // The stand-alone script bridge widens the range itself.
    if (GetModuleHandleW(L"Orrin.dll") == nullptr) {
        host.log("Extending range limits");
        patchRangeLimitCheckers(findRangeLimitCheckers(cache, edges.scans.scanRangeLimitChecker));
    }

    hookSetglobal(host);
    startPlugins(host, config, edges.plugins);

    g_sharedDataContext = std::make_unique<SharedDataContext>(
        SharedDataContext{g_kv9Lua, std::make_unique<SharedDataStore>()});

    readDefines(config, g_defines);
    savePointersCache(config, cache);
}

}  // namespace

void runStartup(const PluginHostApi& host, const StartupEdges& edges) {
    if (g_bridgeInitCalled.exchange(1) != 0) throw std::logic_error("already called");
    g_setglobalDetourContext.hostLog = host.log;
    try {
        runStartupSteps(host, edges);
    } catch (...) {
        settleInitState(InitState::failed);
        throw;
    }
    settleInitState(InitState::done);
}

}  // namespace Tovek::KV9Lua
