#pragma once

// The game's display, shadow and lighting settings as the main window edits them, and the one
// patch of the game's camera code. The plug-in fills it from the game's memory; tests fill it
// with memory of their own.

#include "overlay/overlay_state.h"

#include <cstdint>
#include <functional>

namespace Zo::KV9RudiVeruv {

enum class LightColor { Main, Tint1, Tint2, Ambient };

struct GameRenderEdge {
    // The game's two display bytes, each 1 when the game draws health bars and repair icons,
    // and unit silhouettes behind buildings; nothing is written while the game has no display
    // settings object.
    std::function<void(bool drawHealthBars, bool drawSilhouettes)> writeDisplayFlags;
    // The shadow map size in texels; the game applies it from the next match.
    std::function<int32_t*()> shadowMapSize;
    std::function<float*()> maxShadowDistance;
    // The three floats (RGB) of one light colour, through the game's pointers as they are now;
    // null while the game has no lighting.
    std::function<float*(LightColor)> lightColor;
    // Makes the camera code load g_cameraPatchConstant. A failure is silent.
    std::function<void()> patchCameraCode;
};

// The edge over the game's own memory, at the game's fixed addresses (Windows only).
GameRenderEdge gameRenderEdge();

}  // namespace Zo::KV9RudiVeruv
