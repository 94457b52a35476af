#pragma once

// The coordinate widget of the camera control window: position, rotation with an arrow that
// shows the camera's heading, pitch and roll.

#include "overlay/camera_animation.h"
#include "overlay/camera_profile.h"

namespace Zo::KV9RudiVeruv {

// Draws the widgets for `value` inside the ID scope `id` and returns `value` with this frame's
// edits. Rotation and roll are edited in degrees and kept in radians; pitch is in degrees.
CameraCoordinate drawCoordinateEditor(const CameraCoordinate& value, const char* id);

// The tooltip of the sliders that also take a typed value.
void drawDirectInputHint();

}  // namespace Zo::KV9RudiVeruv
