#pragma once

// Everything of the game, its device and the process that an overlay frame reads or writes,
// handed down from the frame to its steps and windows.

#include "overlay/camera_config.h"
#include "overlay/camera_write_back.h"
#include "overlay/game_render_edge.h"
#include "overlay/lua_command_edge.h"
#include "overlay/monotonic_clock.h"

#include <chrono>
#include <functional>

namespace Zo::KV9RudiVeruv {

// Reads `vector4Count` float4 registers of the game device's pixel-shader constants, from
// `startRegister` on, into `constants`. A failed read leaves `constants` as they were.
using PixelShaderConstantRead =
    std::function<void(unsigned int startRegister, float* constants, unsigned int vector4Count)>;

// The plug-in fills the game's parts from the game's memory and device; tests fill them with
// fakes. The clock and the module path are the process's own unless a test puts in its own.
struct OverlayFrameEdges {
    GameCameraAccess camera;
    GameRenderEdge render;
    PixelShaderConstantRead pixelShaderConstants;
    LuaCommandEdge lua;
    MonotonicClock clock = [] { return std::chrono::steady_clock::now(); };
    ModulePathLookup modulePath = pluginModulePath;
};

}  // namespace Zo::KV9RudiVeruv
