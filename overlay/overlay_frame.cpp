#include "overlay/game_camera.h"
#include "overlay/lua_command_edge.h"
#include "overlay/overlay_frame_steps.h"
#include "overlay/overlay_host.h"
#include "overlay/pixel_shader_constants.h"
#include "overlay/toolkit_input_queue.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/rudiveruv_state.h"
#include "rudiveruv/time_pause_state.h"

#include <imgui.h>
#include <imgui_impl_dx9.h>
#include <imgui_impl_win32.h>

#include <mutex>

namespace Zo::KV9RudiVeruv {

namespace {

using EndSceneFunction = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*);
using ResetFunction = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, D3DPRESENT_PARAMETERS*);

// The font texture could not be made (the Chinese glyphs make it large): from now on the
// toolkit's built-in font alone. The back end's frame start then runs again, so that this frame
// never draws with the fonts just cleared.
void fallBackToDefaultFont() {
    ImFontAtlas* const atlas = ImGui::GetIO().Fonts;
    atlas->Clear();
    atlas->AddFontDefault();
    g_overlayStartResult = 1;
    ImGui_ImplDX9_NewFrame();
}

}  // namespace

void drawOverlayFrame(IDirect3DDevice9* device) {
    static const bool started = (g_overlayStartResult = initializeOverlay(device), true);
    (void)started;
    if (g_overlayStartResult == 0) return;

    ImGui_ImplDX9_NewFrame();  // makes the font texture when there is none
    if (ImGui::GetIO().Fonts->TexID == nullptr) fallBackToDefaultFont();
    deliverWindowMessagesToToolkit();
    ImGui_ImplWin32_NewFrame();
    ImGui::NewFrame();
    const ImGuiIO& io = ImGui::GetIO();
    g_toolkitInput.setCapture({io.WantCaptureKeyboard, io.WantCaptureMouse});  // for the window

    // Only this thread draws frames; the device's reader is the one part that is the call's own.
    static OverlayFrameEdges game{gameCameraAccess(), gameRenderEdge(), {}, gameLuaCommandEdge()};
    game.pixelShaderConstants = pixelShaderConstantReader(device);
    std::lock_guard lock(g_stateMutex);
    runOverlayFrameSteps(game);
    ImGui::EndFrame();
    ImGui::Render();
    ImGui_ImplDX9_RenderDrawData(ImGui::GetDrawData());
}

// Once the process ends, the overlay's state may be gone: only the game's own calls run.
HRESULT STDMETHODCALLTYPE hookedEndScene(IDirect3DDevice9* device) {
    if (!g_processEnding) drawOverlayFrame(device);
    return reinterpret_cast<EndSceneFunction>(g_originalEndScene)(device);
}

HRESULT STDMETHODCALLTYPE hookedReset(IDirect3DDevice9* device,
                                      D3DPRESENT_PARAMETERS* presentationParameters) {
    const auto gameReset = reinterpret_cast<ResetFunction>(g_originalReset);
    if (g_processEnding) return gameReset(device, presentationParameters);
    // Device objects in the default pool must be gone before a reset; the font texture comes
    // back from the atlas. Without an overlay both calls do nothing.
    ImGui_ImplDX9_InvalidateDeviceObjects();
    const HRESULT result = gameReset(device, presentationParameters);
    ImGui_ImplDX9_CreateDeviceObjects();
    return result;
}

}  // namespace Zo::KV9RudiVeruv
