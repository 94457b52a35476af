#include "overlay/overlay_frame_steps.h"

#include "overlay/bezier_inspector.h"
#include "overlay/camera_config.h"
#include "overlay/camera_control_window.h"
#include "overlay/camera_profile.h"
#include "overlay/lua_functions_window.h"
#include "overlay/main_window.h"
#include "overlay/overlay_state.h"
#include "overlay/render_settings_panel.h"
#include "overlay/timed_events.h"
#include "overlay/timed_events_window.h"
#include "rudiveruv/time_pause_state.h"

namespace Zo::KV9RudiVeruv {

namespace {

void drawOverlayWindows(const OverlayFrameEdges& game) {
    drawMainWindow(game.render);
    if (g_luaWindowAvailable) drawLuaFunctionsWindow(game.lua);
    if (g_rudiVeruvAllowed && g_cameraControlEnabled) {
        writeDisplaySwitches(game.render);
        drawCameraControlWindow(game);
        drawTimedEventsWindow();
        drawBezierInspectorWindow();
    }
    for (const auto& [name, callback] : g_frameCallbacks) callback();
}

}  // namespace

void runOverlayFrameSteps(const OverlayFrameEdges& game) {
    if (g_cameraProfiles.empty()) loadCameraConfig(game.modulePath);
    if (g_overlayVisible) drawOverlayWindows(game);
    if (!g_rudiVeruvAllowed) {
        // A pause never outlives the state that allowed it.
        g_rudiVeruvd.exchange(false);
    } else if (g_cameraControlEnabled) {
        processTimedEvents(game.clock);
        animateGameCamera(game.camera, game.clock);
    }
}

}  // namespace Zo::KV9RudiVeruv
