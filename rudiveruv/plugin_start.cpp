#include "rudiveruv/plugin_start.h"

#include "bridge/code_scan.h"
#include "bridge/entry_boundary.h"
#include "bridge/hook_install.h"
#include "overlay/hotkey_letters.h"
#include "overlay/output_log.h"
#include "overlay/overlay_host.h"
#include "rudiveruv/d3d9_probe.h"
#include "rudiveruv/game_crt_functions.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/rudiveruv_controller.h"
#include "rudiveruv/rudiveruv_lua.h"
#include "rudiveruv/rudiveruv_state.h"
#include "rudiveruv/time_pause_state.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>

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

// The first character, upper case when it is an ASCII letter (the C locale's rule); none when
// it is not ASCII.
char hotkeyLetter(const json& value) {
    const auto text = value.get<std::string>();
    if (text.empty()) throw std::out_of_range("invalid string position");
    const auto letter = static_cast<unsigned char>(hotkeyByte(text.front()));
    return static_cast<char>(std::isalpha(letter) ? std::toupper(letter) : letter);
}

void readHotkey(const json& options, const char* key, char& hotkey) {
    if (!options.contains(key)) return;
    const char letter = hotkeyLetter(options[key]);
    std::lock_guard lock(g_stateMutex);
    hotkey = letter;
}

// "outputLogFile": a file that receives every Output log line as well. A file that cannot be
// created costs only that copy, so the start goes on after saying so.
void openOutputLogFile(const json& options, void (*log)(const char*)) {
    if (!options.contains("outputLogFile")) return;
    const auto file = options["outputLogFile"].get<std::string>();
    if (!openOutputLogMirror(std::filesystem::path(std::u8string(file.begin(), file.end())))) {
        log(("Cannot create the Output log file " + file).c_str());
    }
}

void readOptions(const char* customData, void (*log)(const char*)) {
    const json options = json::parse(customData, nullptr, true, false);
    // The host hands over [null] when the plug-in's entry has no "customData".
    if (!options.is_object()) return;
    readHotkey(options, "hotkey", g_hotkeyDisplay);
    readHotkey(options, "hotkey_for_pause", g_hotkeyPause);
    openOutputLogFile(options, log);
}

// Under the controller's lock alone, the first of the lock order: g_stateMutex is never held
// while it is taken.
void installDebugModule(const TheGameModule& module, HookRoutine hook) {
    std::lock_guard lock(RudiVeruvController::instance().mutex);
    if (g_debugModuleInitialized) return;
    initializeGameDebugModule(module, hook);
    g_debugModuleInitialized = true;
}

void start(const Tovek::KV9Lua::LuaPluginInterface& plugin) {
    if (g_rudiVeruvInitCalled.exchange(1) != 0) throw std::logic_error("already called");
    g_rudiVeruvLua = *plugin.api;
    findGameDostring(g_rudiVeruvLua);
    g_checkerRandomId = std::random_device()();
    std::atexit(beginProcessEnd);
    readOptions(plugin.customData, plugin.log);

    const TheGameModule module = Tovek::KV9Lua::getMainModuleRange();
    installDebugModule(module, plugin.hook);

    const Addresses addresses = findEndSceneAddress(module);
    g_originalEndScene = addresses.endScene;
    installHook(plugin.hook, g_originalEndScene, reinterpret_cast<void*>(hookedEndScene),
                "D3D9 EndScene");
    g_originalReset = addresses.reset;
    installHook(plugin.hook, g_originalReset, reinterpret_cast<void*>(hookedReset), "D3D9 Reset");
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

bool initializeRudiVeruvPlugin(const Tovek::KV9Lua::LuaPluginInterface* plugin) {
    return Tovek::KV9Lua::runLoggingFailure([plugin] { start(*plugin); }, plugin->log,
                                            "Unknown error");
}

}  // namespace Zo::KV9RudiVeruv
