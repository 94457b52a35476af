#include "rudiveruv/plugin_start.h"

#include "bridge/code_scan.h"
#include "bridge/entry_boundary.h"
#include "bridge/hook_install.h"
#include "rudiveruv/d3d9_probe.h"
#include "rudiveruv/game_crt_functions.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/rudiveruv_controller.h"
#include "rudiveruv/rudiveruv_lua.h"
#include "rudiveruv/rudiveruv_state.h"
#include "rudiveruv/time_pause_edges.h"
#include "rudiveruv/time_pause_state.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>
#include <utility>

namespace Zo::KV9RudiVeruv {

std::atomic<int> g_rudiVeruvInitCalled{0};
bool g_debugModuleInitialized = false;

namespace {

using json = nlohmann::json;
using Tovek::KV9Lua::installHook;
using Tovek::KV9Lua::kBaseLibEntryCount;
using Tovek::KV9Lua::KV9Lua;

// When several records carry the name, the last one counts.
void findGameDostring(const KV9Lua& api) {
    for (std::size_t i = 0; i < kBaseLibEntryCount; ++i) {
        const Tovek::KV9Lua::LuaReg& entry = api.baseLibEntries[i];
        if (entry.name != nullptr && std::strcmp(entry.name, "dostring") == 0) {
            g_luaDostring = entry.func;
        }
    }
}

void readOptions(const char* customData, void (*log)(const char*)) {
    const json options = json::parse(customData, nullptr, true, false);
    // The host hands over [null] when the plug-in's entry has no "customData".
    if (!options.is_object()) return;
    if (g_timePauseEdges.readOverlayOptions) g_timePauseEdges.readOverlayOptions(options, log);
}

// Under the controller's lock alone, the first of the lock order: g_stateMutex is never held
// while it is taken.
void installDebugModule(const TheGameModule& module, HookRoutine hook) {
    std::lock_guard lock(RudiVeruvController::instance().mutex);
    if (g_debugModuleInitialized) return;
    initializeGameDebugModule(module, hook);
    g_debugModuleInitialized = true;
}

void start(const Tovek::KV9Lua::LuaPluginInterface& plugin, TimePauseEdges edges) {
    if (g_rudiVeruvInitCalled.exchange(1) != 0) throw std::logic_error("already called");
    g_timePauseEdges = std::move(edges);
    g_rudiVeruvLua = *plugin.api;
    findGameDostring(g_rudiVeruvLua);
    g_checkerRandomId = std::random_device()();
    std::atexit(beginProcessEnd);
    readOptions(plugin.customData, plugin.log);

    const TheGameModule module = Tovek::KV9Lua::getMainModuleRange();
    installDebugModule(module, plugin.hook);

    const Addresses device = findEndSceneAddress(module);
    if (g_timePauseEdges.installRenderDetours) {
        g_timePauseEdges.installRenderDetours(plugin.hook, device);
    }
    // Without this detour only the object-event notice is missing, so its result is not tested.
    plugin.hook(reinterpret_cast<void**>(&g_rudiVeruvLua.getglobal),
                reinterpret_cast<void*>(hookedGetglobal));

    g_gameCrt = getGameCrtFunctions();
    installHook(plugin.hook, g_gameCrt.wfopen, hookedWfopen, "_wfopen");
    installHook(plugin.hook, g_gameCrt.fwrite, hookedFwrite, "fwrite");
    installHook(plugin.hook, g_gameCrt.ftell, hookedFtell, "ftell");
    installHook(plugin.hook, g_gameCrt.fclose, hookedFclose, "fclose");
}

}  // namespace

bool initializeRudiVeruvPlugin(const Tovek::KV9Lua::LuaPluginInterface* plugin,
                               TimePauseEdges edges) {
    return Tovek::KV9Lua::runLoggingFailure(
        [plugin, &edges] { start(*plugin, std::move(edges)); }, plugin->log, "Unknown error");
}

}  // namespace Zo::KV9RudiVeruv
