#pragma once

// The part of one overlay frame between the toolkit's frame start and its render: the
// configuration on the first frame, the windows while the overlay is shown, and what runs also
// while it is hidden (the pause cleared when not allowed, timed events, the camera write-back).

#include "overlay/overlay_frame_edges.h"

namespace Zo::KV9RudiVeruv {

// The caller holds g_stateMutex and is inside a toolkit frame.
void runOverlayFrameSteps(const OverlayFrameEdges& game);

}  // namespace Zo::KV9RudiVeruv
