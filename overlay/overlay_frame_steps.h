#pragma once

// The part of one overlay frame between the toolkit's frame start and its render: the
// configuration on the first frame, the windows while the overlay is shown, and what runs also
// while it is hidden (the pause cleared when not allowed, timed events, the camera write-back).

#include "overlay/camera_write_back.h"

namespace Zo::KV9RudiVeruv {

inline constexpr char kCameraControlWindowTitle[] = "摄像机控制";
inline constexpr char kTimedEventsWindowTitle[] = "定时事件";

// The caller holds g_stateMutex and is inside a toolkit frame.
void runOverlayFrameSteps(const GameCameraAccess& camera);

}  // namespace Zo::KV9RudiVeruv
