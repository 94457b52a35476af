#pragma once

// What the game window's procedure does with the mouse capture for the overlay, as the toolkit's
// Win32 handler would if it ran on the window's thread: a press that the overlay keeps takes the
// capture, so that the release reaches the game window wherever the pointer is then, and the
// release of the last button held gives it back. Message numbers and key-state flags are
// Windows', written out so that this stays free of <windows.h>.

#include <cstdint>

namespace Zo::KV9RudiVeruv {

enum class MouseCaptureStep {
    None,
    Take,      // a button press (or double-click) that the overlay keeps
    GiveBack,  // a button release that leaves no button held, whoever gets it
    Lost,      // WM_CAPTURECHANGED: the capture went elsewhere or was given back
};

// `kept`: the overlay keeps the message from the game.
MouseCaptureStep mouseCaptureStep(uint32_t message, uintptr_t wParam, bool kept);

}  // namespace Zo::KV9RudiVeruv
