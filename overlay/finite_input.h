#pragma once

// Number fields that take finite values only. The toolkit's number parsing reads "1e39" as
// infinity (it lies beyond a float), "*1e39" on a zero as NaN, and takes "nan" and "inf" as
// typed; such a value must not reach a profile, whose file holds numbers only.

#include "overlay/camera_animation.h"

namespace Zo::KV9RudiVeruv {

// `edited` when it is finite, else `before`: a refused edit leaves the value as it was.
float finiteOr(float edited, float before);
// Channel by channel.
CameraCoordinate finiteOr(const CameraCoordinate& edited, const CameraCoordinate& before);

// ImGui::InputFloat without step buttons that refuses a value that is not finite. True when
// the value changed.
bool inputFiniteFloat(const char* label, float& value, const char* format);

}  // namespace Zo::KV9RudiVeruv
