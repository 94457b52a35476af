#include "overlay/hotkeys.h"

#include "overlay/camera_profile.h"
#include "overlay/hotkey_letters.h"
#include "overlay/main_window.h"
#include "overlay/output_log.h"
#include "overlay/overlay_state.h"
#include "overlay/pause_refusal.h"
#include "rudiveruv/time_pause_state.h"

#include <mutex>
#include <string_view>

namespace Zo::KV9RudiVeruv {

namespace {

bool isHotkey(uint8_t key, char hotkey) {
    return hotkey != 0 && key == static_cast<uint8_t>(hotkey);
}

void act(HotkeyAction action) {
    switch (action) {
    case HotkeyAction::None:
        break;
    case HotkeyAction::ToggleOverlay:
        g_overlayVisible = !g_overlayVisible;
        break;
    case HotkeyAction::TogglePause:
        appendOutputLog("Vellox状态更改！");
        togglePause();
        break;
    case HotkeyAction::RefusePause:
        appendPauseRefusal();
        break;
    case HotkeyAction::ToggleAnimation:
        g_currentProfile.animationPlaying = !g_currentProfile.animationPlaying;
        break;
    }
}

}  // namespace

HotkeyAction matchHotkey(uint8_t key, const HotkeyContext& context) {
    if (isHotkey(key, context.display)) return HotkeyAction::ToggleOverlay;
    if (isHotkey(key, context.pause)) {
        return context.pauseAllowed ? HotkeyAction::TogglePause : HotkeyAction::RefusePause;
    }
    if (isHotkey(key, context.animation) && context.pauseAllowed && context.cameraControl) {
        return HotkeyAction::ToggleAnimation;
    }
    return HotkeyAction::None;
}

bool hotkeyConsumesKey(HotkeyAction action) {
    return action == HotkeyAction::ToggleOverlay || action == HotkeyAction::TogglePause ||
           action == HotkeyAction::RefusePause;
}

bool handleCtrlKey(uint8_t key) {
    std::lock_guard lock(g_stateMutex);
    const HotkeyAction action =
        matchHotkey(key, HotkeyContext{g_hotkeyDisplay, g_hotkeyPause, g_hotkeyAnimation,
                                       g_rudiVeruvAllowed, g_cameraControlEnabled});
    act(action);
    return hotkeyConsumesKey(action);
}

}  // namespace Zo::KV9RudiVeruv
