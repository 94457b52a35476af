#include "overlay/overlay_frame_steps.h"

#include "overlay/camera_config.h"
#include "overlay/camera_profile.h"
#include "overlay/main_window.h"
#include "overlay/overlay_state.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/time_pause_state.h"

#include <imgui.h>

namespace Zo::KV9RudiVeruv {

namespace {

void drawOverlayWindows() {
    drawMainWindow();
    // The Lua functions window joins here, while g_luaWindowAvailable, once it exists.
    if (g_rudiVeruvAllowed && g_cameraControlEnabled) {
        // The display switches are written into the game here once the render settings exist.
        ImGui::Begin(kCameraControlWindowTitle);  // its contents do not exist yet
        ImGui::End();
        if (ImGui::Begin(kTimedEventsWindowTitle)) drawTimedEventsWindow();
        ImGui::End();
        // The Bezier inspector, which opens its own window, joins here once it exists.
    }
    for (const auto& [name, callback] : g_frameCallbacks) callback();
}

}  // namespace

void runOverlayFrameSteps(const GameCameraAccess& camera) {
    if (g_cameraProfiles.empty()) loadCameraConfig();
    if (g_overlayVisible) drawOverlayWindows();
    if (!g_rudiVeruvAllowed) {
        // A pause never outlives the state that allowed it.
        g_rudiVeruvd.exchange(false);
    } else if (g_cameraControlEnabled) {
        processTimedEvents();
        animateGameCamera(camera);
    }
}

}  // namespace Zo::KV9RudiVeruv
