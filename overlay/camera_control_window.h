#pragma once

// The window "摄像机控制": camera profiles, the profile's description, the game camera's current
// and actual coordinate, the camera animation's controls and its keyframes.

#include "overlay/camera_write_back.h"

#include <functional>

namespace Zo::KV9RudiVeruv {

// Reads `vector4Count` float4 registers of the game device's pixel-shader constants, from
// `startRegister` on, into `constants`. A failed read leaves `constants` as they were.
using PixelShaderConstantRead =
    std::function<void(unsigned int startRegister, float* constants, unsigned int vector4Count)>;

// The window's contents; the caller has opened the window and holds g_stateMutex. The camera
// rows are left out while the game has no camera object; an empty callable is skipped.
void drawCameraControlWindow(const GameCameraAccess& camera,
                             const PixelShaderConstantRead& readPixelShaderConstants);

}  // namespace Zo::KV9RudiVeruv
