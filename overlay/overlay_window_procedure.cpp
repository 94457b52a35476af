#include "overlay/hotkeys.h"
#include "overlay/message_routing.h"
#include "overlay/overlay_host.h"

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
    if (!g_overlayTakesInput) return passToGame(window, message, wParam, lParam);
    const LRESULT toolkitResult = ImGui_ImplWin32_WndProcHandler(window, message, wParam, lParam);
    if (message == WM_KEYDOWN && ctrlHeld() &&
        handleCtrlKey(static_cast<uint8_t>(wParam & 0xFF))) {
        return 0;
    }
    const ImGuiIO& io = ImGui::GetIO();
    if (toolkitKeepsMessage(message, io.WantCaptureKeyboard, io.WantCaptureMouse)) {
        return toolkitResult;
    }
    return passToGame(window, message, wParam, lParam);
}

}  // namespace Zo::KV9RudiVeruv
