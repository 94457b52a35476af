#pragma once

// The overlay's three Ctrl hotkeys (overlay_state.h), each compared with the low byte of a key
// message's virtual-key code; 0 is no hotkey. Under g_stateMutex.
// Two letter rules set them, and they differ on purpose: the camera configuration file, which the
// overlay also writes back, turns any byte but an ASCII letter into 0, while the plug-in's
// options from the host keep such a byte as given (a "9" stays 9); both upper-case a letter.

#include "overlay/overlay_state.h"

namespace Zo::KV9RudiVeruv {

// The byte a hotkey text gives: its first byte, or 0 (no hotkey) when that byte is not a whole
// UTF-8 character by itself (the start of "é", say), which the configuration file could not
// save.
char hotkeyByte(char firstByte);

}  // namespace Zo::KV9RudiVeruv
