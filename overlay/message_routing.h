#pragma once

// Which of the game window's messages the overlay may keep from the game once its toolkit has
// seen them. Message numbers are Windows', written out so that this stays free of <windows.h>.

#include <cstdint>

namespace Zo::KV9RudiVeruv {

enum class MessageKind {
    Keyboard,  // WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYUP
    Mouse,     // WM_LBUTTONDOWN (0x201) to WM_MOUSEHWHEEL (0x20E)
    Other,     // everything else, WM_DEADCHAR and WM_SYSKEYDOWN included
};

MessageKind messageKind(uint32_t message);

// The messages the toolkit's Win32 handler reads: mouse moves and leaves, buttons and wheels,
// key downs and ups (WM_SYSKEYDOWN too), characters, focus changes and device changes. Not
// WM_SETCURSOR: the toolkit sets its cursor at the frame start when it changes.
bool toolkitTakesMessage(uint32_t message);

// True when the toolkit keeps the message: it wants the keyboard or the mouse that the message
// belongs to. Everything else reaches the game.
bool toolkitKeepsMessage(uint32_t message, bool wantCaptureKeyboard, bool wantCaptureMouse);

}  // namespace Zo::KV9RudiVeruv
