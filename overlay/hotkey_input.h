#pragma once

// The editor of one Ctrl hotkey letter: a label and a one-character field beside it.

namespace Zo::KV9RudiVeruv {

// A typed letter becomes the upper-case hotkey; anything else, an empty field included, turns
// the hotkey off (0). The caller holds g_stateMutex.
void drawHotkeyInput(const char* label, char* hotkey);

}  // namespace Zo::KV9RudiVeruv
