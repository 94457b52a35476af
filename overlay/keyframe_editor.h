#pragma once

// The camera control window's keyframe list and the block that adds a keyframe.

#include "overlay/camera_animation.h"
#include "overlay/camera_profile.h"

#include <optional>
#include <string>

namespace Zo::KV9RudiVeruv {

// Each keyframe with its label, Bezier switch, time, delete button and coordinate; only the
// keyframes in view are laid out, the others keep their place. A re-timed or deleted keyframe
// changes after the whole list has been drawn.
void drawKeyframeList(CameraProfile& profile);

// The keyframe being prepared; `camera` is the game camera as read in this frame, if any.
void drawKeyframeAddBlock(CameraProfile& profile, const std::optional<CameraCoordinate>& camera);

// The label of the keyframe that follows one labelled `label` (NUL fill dropped): a last digit
// 0 to 8 counts up, anything else gets a "2" appended, an empty label stays empty.
std::string nextKeyframeLabel(std::string label);

}  // namespace Zo::KV9RudiVeruv
