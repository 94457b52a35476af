#pragma once

// The overlay's three Ctrl hotkeys: which one a key press matches, and what it then does.

#include <cstdint>

namespace Zo::KV9RudiVeruv {

enum class HotkeyAction {
    None,             // no hotkey of this key acts
    ToggleOverlay,    // the display hotkey
    TogglePause,      // the pause hotkey while time pause is allowed
    RefusePause,      // the pause hotkey while it is not
    ToggleAnimation,  // the animation hotkey while pause is allowed and camera control is on
};

// What the match depends on; each letter 0 for no hotkey.
struct HotkeyContext {
    char display = 0;
    char pause = 0;
    char animation = 0;
    bool pauseAllowed = false;
    bool cameraControl = false;
};

// The first hotkey that the key (the low byte of a virtual-key code) matches, tested in the
// order display, pause, animation. A hotkey of 0 never matches.
HotkeyAction matchHotkey(uint8_t key, const HotkeyContext& context);

// The display and pause hotkeys keep their key from the game; the animation hotkey does not.
bool hotkeyConsumesKey(HotkeyAction action);

// A key pressed with Ctrl held: matches it against the current hotkeys and acts, all under
// g_stateMutex. True when the key is consumed.
bool handleCtrlKey(uint8_t key);

}  // namespace Zo::KV9RudiVeruv
