#include "overlay/hotkeys.h"
#include "overlay/message_routing.h"
#include "overlay/overlay_host.h"
#include "overlay/toolkit_input_queue.h"
#include "rudiveruv/process_end.h"

#include <imgui.h>

#include <cstdint>

// The Win32 back end's handler; its header leaves the declaration to the caller.
extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND window, UINT message,
                                                             WPARAM wParam, LPARAM lParam);

namespace Zo::KV9RudiVeruv {

namespace {

bool ctrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

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
    if (toolkitTakesMessage(message)) g_toolkitInput.post({message, wParam, lParam});
    if (message == WM_KEYDOWN && ctrlHeld() &&
        handleCtrlKey(static_cast<uint8_t>(wParam & 0xFF))) {
        return 0;
    }
    const ToolkitCapture capture = g_toolkitInput.capture();
    // 0 is what the toolkit's handler answers for every message it keeps.
    if (toolkitKeepsMessage(message, capture.keyboard, capture.mouse)) return 0;
    return passToGame(window, message, wParam, lParam);
}

void deliverWindowMessagesToToolkit() {
    for (const WindowMessage& queued : g_toolkitInput.takeAll()) {
        ImGui_ImplWin32_WndProcHandler(g_gameWindow, queued.message, queued.wParam,
                                       queued.lParam);
    }
}

}  // namespace Zo::KV9RudiVeruv
