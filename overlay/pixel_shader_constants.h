#pragma once

// The camera control window's read of the game device's pixel-shader constants.

#include "overlay/overlay_frame_edges.h"

#include <windows.h>

#include <d3d9.h>

namespace Zo::KV9RudiVeruv {

// Reads through IDirect3DDevice9::GetPixelShaderConstantF; nothing for a null device.
PixelShaderConstantRead pixelShaderConstantReader(IDirect3DDevice9* device);

}  // namespace Zo::KV9RudiVeruv
