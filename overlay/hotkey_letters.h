#pragma once

// The overlay's three Ctrl hotkeys. Each is an upper-case ASCII letter, compared with the low
// byte of a key message's virtual-key code, or 0 for no hotkey. Under g_stateMutex.

namespace Zo::KV9RudiVeruv {

extern char g_hotkeyDisplay;    // shows and hides the overlay
extern char g_hotkeyPause;      // toggles time pause
extern char g_hotkeyAnimation;  // plays and stops the camera animation

// The byte a hotkey text gives: its first byte, or 0 (no hotkey) when that byte is not a whole
// UTF-8 character by itself (the start of "é", say), which the configuration file could not
// save.
char hotkeyByte(char firstByte);

}  // namespace Zo::KV9RudiVeruv
