#include "rudiveruv/render_hooks.h"

namespace Zo::KV9RudiVeruv {

void* g_originalEndScene = nullptr;
void* g_originalReset = nullptr;

namespace {

using EndSceneFunction = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*);
using ResetFunction = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, D3DPRESENT_PARAMETERS*);

}  // namespace

HRESULT STDMETHODCALLTYPE hookedEndScene(IDirect3DDevice9* device) {
    // The overlay's frame belongs here: drawn into the game's back buffer before the game's
    // own EndScene closes the scene.
    return reinterpret_cast<EndSceneFunction>(g_originalEndScene)(device);
}

HRESULT STDMETHODCALLTYPE hookedReset(IDirect3DDevice9* device,
                                      D3DPRESENT_PARAMETERS* presentationParameters) {
    // The overlay's device objects belong around this call: dropped before the game's reset and
    // made again after it.
    return reinterpret_cast<ResetFunction>(g_originalReset)(device, presentationParameters);
}

}  // namespace Zo::KV9RudiVeruv
