#pragma once

// The overlay inside the game's Direct3D 9 frame: the EndScene and Reset detours, the one-time
// start of the toolkit on the game's device and window, one overlay frame, and the replacement
// procedure of the game window.

#include "overlay/overlay_state.h"

#include <windows.h>

#include <d3d9.h>

namespace Zo::KV9RudiVeruv {

// 0 when the device gives no creation parameters or the window's procedure cannot be replaced;
// else 1 or 2 as for g_overlayStartResult.
int initializeOverlay(IDirect3DDevice9* device);

// One overlay frame, on the render thread; the first one starts the overlay.
void drawOverlayFrame(IDirect3DDevice9* device);

HRESULT STDMETHODCALLTYPE hookedEndScene(IDirect3DDevice9* device);
HRESULT STDMETHODCALLTYPE hookedReset(IDirect3DDevice9* device,
                                      D3DPRESENT_PARAMETERS* presentationParameters);

// The game window's procedure from the overlay's start on, on the window's thread. It decides
// what the game gets from what the toolkit wanted to capture in its last frame.
LRESULT CALLBACK hookedWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Render thread, right before the toolkit's frame starts: hands the toolkit's Win32 handler the
// messages that the window procedure queued for it, in their order.
void deliverWindowMessagesToToolkit();

}  // namespace Zo::KV9RudiVeruv
