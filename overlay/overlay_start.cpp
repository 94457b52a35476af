#include "overlay/overlay_fonts.h"
#include "overlay/overlay_host.h"

#include <imgui.h>
#include <imgui_impl_dx9.h>
#include <imgui_impl_win32.h>

#include <cstdlib>

namespace Zo::KV9RudiVeruv {

int g_overlayStartResult = 0;
HWND g_gameWindow = nullptr;
WNDPROC g_originalWndProc = nullptr;
std::atomic<bool> g_overlayTakesInput{false};

int initializeOverlay(IDirect3DDevice9* device) {
    D3DDEVICE_CREATION_PARAMETERS parameters{};
    if (FAILED(device->GetCreationParameters(&parameters))) return 0;
    g_gameWindow = parameters.hFocusWindow;
    const LONG original = GetWindowLongW(g_gameWindow, GWL_WNDPROC);
    if (original == 0) return 0;
    g_originalWndProc = reinterpret_cast<WNDPROC>(original);
    // Never put back: the overlay lives as long as the process.
    if (SetWindowLongW(g_gameWindow, GWL_WNDPROC, reinterpret_cast<LONG>(&hookedWndProc)) == 0) {
        return 0;
    }

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGui::StyleColorsDark();
    ImGui_ImplWin32_Init(g_gameWindow);
    ImGui_ImplDX9_Init(device);
    g_overlayTakesInput = true;

    return loadOverlayFonts(ImGui::GetIO().Fonts, fontsFolder(std::getenv("SystemRoot")));
}

}  // namespace Zo::KV9RudiVeruv
