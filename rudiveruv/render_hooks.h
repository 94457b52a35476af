#pragma once

// The detours of the game device's EndScene and Reset, where the overlay joins the game's frame.

#include <windows.h>

#include <d3d9.h>

namespace Zo::KV9RudiVeruv {

// Each first holds the function found on the device; once detoured, the way back into it.
extern void* g_originalEndScene;
extern void* g_originalReset;

HRESULT STDMETHODCALLTYPE hookedEndScene(IDirect3DDevice9* device);
HRESULT STDMETHODCALLTYPE hookedReset(IDirect3DDevice9* device,
                                      D3DPRESENT_PARAMETERS* presentationParameters);

}  // namespace Zo::KV9RudiVeruv
