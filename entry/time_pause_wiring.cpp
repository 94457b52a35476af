#include "entry/time_pause_wiring.h"

#include "bridge/hook_install.h"
#include "overlay/camera_profile.h"
#include "overlay/main_window.h"
#include "overlay/output_log.h"
#include "overlay/overlay_host.h"
#include "overlay/plugin_options.h"
#include "overlay/timed_events.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/plugin_start.h"
#include "rudiveruv/rudiveruv_state.h"

#include <utility>

namespace Zo::KV9RudiVeruv {

namespace {

// The overlay draws in the device's frame and drops its device objects around a reset.
void installOverlayDetours(HookRoutine hook, const Addresses& device) {
    using Tovek::KV9Lua::installHook;
    g_originalEndScene = device.endScene;
    installHook(hook, g_originalEndScene, reinterpret_cast<void*>(hookedEndScene),
                "D3D9 EndScene");
    g_originalReset = device.reset;
    installHook(hook, g_originalReset, reinterpret_cast<void*>(hookedReset), "D3D9 Reset");
}

}  // namespace

TimePauseEdges timePauseOverlayEdges() {
    return {
        .readOverlayOptions = readOverlayOptions,
        .installRenderDetours = installOverlayDetours,
        .logLine = [](std::string_view line) { appendOutputLog(line); },
        .logGameMessage = [](std::string message) { logMessageCallback(std::move(message)); },
        // With camera control on, the timed events start over.
        .pauseAllowedSet = [] { if (g_cameraControlEnabled) resetTimedEventRun(g_currentProfile); },
        .startThread = startDetachedThread,
    };
}

bool startTimePausePlugin(const Tovek::KV9Lua::LuaPluginInterface* plugin) {
    return initializeRudiVeruvPlugin(plugin, timePauseOverlayEdges());
}

}  // namespace Zo::KV9RudiVeruv
