#pragma once

// The part of one overlay frame between the toolkit's frame start and its render: the
// configuration on the first frame, the windows while the overlay is shown, and what runs also
// while it is hidden (the pause cleared when not allowed, timed events, the camera write-back).

#include "overlay/camera_control_window.h"
#include "overlay/camera_write_back.h"
#include "overlay/game_render_edge.h"

namespace Zo::KV9RudiVeruv {

// Everything of the game and its device that a frame reads or writes. The plug-in fills it
// from the game's memory and device; tests fill it with fakes.
struct OverlayFrameEdges {
    GameCameraAccess camera;
    GameRenderEdge render;
    PixelShaderConstantRead pixelShaderConstants;
};

// The caller holds g_stateMutex and is inside a toolkit frame.
void runOverlayFrameSteps(const OverlayFrameEdges& game);

}  // namespace Zo::KV9RudiVeruv
