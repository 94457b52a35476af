#pragma once

// The window "摄像机控制": camera profiles, the profile's description, the game camera's current
// and actual coordinate, the camera animation's controls and its keyframes.

#include "overlay/camera_write_back.h"

#include <functional>

namespace Zo::KV9RudiVeruv {

inline constexpr char kCameraControlWindowTitle[] = "摄像机控制";

// Reads `vector4Count` float4 registers of the game device's pixel-shader constants, from
// `startRegister` on, into `constants`. A failed read leaves `constants` as they were.
using PixelShaderConstantRead =
    std::function<void(unsigned int startRegister, float* constants, unsigned int vector4Count)>;

// Opens and closes the window. The caller holds g_stateMutex.
void drawCameraControlWindow(const GameCameraAccess& camera,
                             const PixelShaderConstantRead& readPixelShaderConstants);

// The window's contents, inside the open window. The camera rows are left out while the game
// has no camera object; an empty callable is skipped.
void drawCameraControlWindowContents(const GameCameraAccess& camera,
                                     const PixelShaderConstantRead& readPixelShaderConstants);

}  // namespace Zo::KV9RudiVeruv
