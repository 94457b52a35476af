#pragma once

// The window "摄像机控制": camera profiles, the profile's description, the game camera's current
// and actual coordinate, the camera animation's controls and its keyframes.

#include "overlay/overlay_frame_edges.h"

namespace Zo::KV9RudiVeruv {

inline constexpr char kCameraControlWindowTitle[] = "摄像机控制";

// Opens and closes the window. The caller holds g_stateMutex.
void drawCameraControlWindow(const OverlayFrameEdges& game);

// The window's contents, inside the open window: the game's camera and pixel-shader constants,
// and the configuration file beside the module that game.modulePath gives. The camera rows are
// left out while the game has no camera object; an empty callable is skipped.
void drawCameraControlWindowContents(const OverlayFrameEdges& game);

}  // namespace Zo::KV9RudiVeruv
