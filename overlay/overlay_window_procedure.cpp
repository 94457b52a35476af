#include "overlay/hotkeys.h"
#include "overlay/message_routing.h"
#include "overlay/mouse_capture.h"
#include "overlay/overlay_host.h"
#include "overlay/toolkit_input_queue.h"
#include "rudiveruv/process_end.h"

#include <imgui.h>

#include <cstdint>
#include <optional>

// The Win32 back end's handler; its header leaves the declaration to the caller.
extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND window, UINT message,
                                                             WPARAM wParam, LPARAM lParam);

namespace Zo::KV9RudiVeruv {

bool g_overlayTookMouseCapture = false;

namespace {

bool ctrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

struct SidedKeys {
    int left;
    int right;
};

// The left and right keys of a Ctrl, Shift or Alt key; none for any other key.
std::optional<SidedKeys> sidedKeysOf(WPARAM key) {
    switch (key) {
    case VK_CONTROL:
        return SidedKeys{VK_LCONTROL, VK_RCONTROL};
    case VK_SHIFT:
        return SidedKeys{VK_LSHIFT, VK_RSHIFT};
    case VK_MENU:
        return SidedKeys{VK_LMENU, VK_RMENU};
    default:
        return std::nullopt;
    }
}

bool isKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

// The toolkit's handler reads the left and right keys of a modifier with GetKeyState, which
// on the render thread knows nothing of the window's keyboard: they are read here instead.
WindowMessage queuedMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    WindowMessage queued{message, wParam, lParam};
    const std::optional<SidedKeys> sided = sidedKeysOf(wParam);
    if (isKeyMessage(message) && sided) {
        queued.leftKeyDown = GetKeyState(sided->left) < 0;
        queued.rightKeyDown = GetKeyState(sided->right) < 0;
    }
    return queued;
}

// What the handler set from the render thread's keyboard, set again from the window's.
void correctModifier(const WindowMessage& queued) {
    const std::optional<SidedKeys> sided = sidedKeysOf(queued.wParam);
    if (!isKeyMessage(queued.message) || !sided) return;
    ImGuiIO& io = ImGui::GetIO();
    io.KeysDown[sided->left] = queued.leftKeyDown;
    io.KeysDown[sided->right] = queued.rightKeyDown;
    const bool down = queued.leftKeyDown || queued.rightKeyDown;
    if (queued.wParam == VK_CONTROL) io.KeyCtrl = down;
    if (queued.wParam == VK_SHIFT) io.KeyShift = down;
    if (queued.wParam == VK_MENU) io.KeyAlt = down;
}

// The toolkit's handler takes and gives back the capture on the render thread, which has no
// window of the game's: it is done here, on the window's thread, for the presses the overlay
// keeps. A capture the game took stays the game's.
void followMouseCapture(HWND window, UINT message, WPARAM wParam, bool kept) {
    switch (mouseCaptureStep(message, wParam, kept)) {
    case MouseCaptureStep::Take:
        if (GetCapture() != nullptr) return;
        SetCapture(window);
        g_overlayTookMouseCapture = true;
        return;
    case MouseCaptureStep::GiveBack:
        if (g_overlayTookMouseCapture && GetCapture() == window) ReleaseCapture();
        g_overlayTookMouseCapture = false;
        return;
    case MouseCaptureStep::Lost:
        g_overlayTookMouseCapture = false;
        return;
    case MouseCaptureStep::None:
        return;
    }
}

// Straight into the game's own procedure, not through CallWindowProc.
LRESULT passToGame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return g_originalWndProc(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK hookedWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Before the toolkit starts, and once the process ends, the window is the game's alone.
    if (g_processEnding || !g_overlayTakesInput) {
        return passToGame(window, message, wParam, lParam);
    }
    // The toolkit's input state is the render thread's: the next frame hands it the message.
    if (toolkitTakesMessage(message)) g_toolkitInput.post(queuedMessage(message, wParam, lParam));
    if (message == WM_KEYDOWN && ctrlHeld() &&
        handleCtrlKey(static_cast<uint8_t>(wParam & 0xFF))) {
        return 0;
    }
    const ToolkitCapture capture = g_toolkitInput.capture();
    const bool kept = toolkitKeepsMessage(message, capture.keyboard, capture.mouse);
    followMouseCapture(window, message, wParam, kept);
    // 0 is what the toolkit's handler answers for every message it keeps.
    if (kept) return 0;
    return passToGame(window, message, wParam, lParam);
}

void deliverWindowMessagesToToolkit() {
    for (const WindowMessage& queued : g_toolkitInput.takeAll()) {
        ImGui_ImplWin32_WndProcHandler(g_gameWindow, queued.message, queued.wParam,
                                       queued.lParam);
        correctModifier(queued);
    }
}

}  // namespace Zo::KV9RudiVeruv
