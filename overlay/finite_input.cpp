#include "overlay/finite_input.h"

#include <imgui.h>

#include <cmath>
#include <cstddef>

namespace Zo::KV9RudiVeruv {

float finiteOr(float edited, float before) { return std::isfinite(edited) ? edited : before; }

CameraCoordinate finiteOr(const CameraCoordinate& edited, const CameraCoordinate& before) {
    CameraCoordinate result = edited;
    for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
        result[channel] = finiteOr(edited[channel], before[channel]);
    }
    return result;
}

bool inputFiniteFloat(const char* label, float& value, const char* format) {
    float edited = value;
    if (!ImGui::InputFloat(label, &edited, 0.0f, 0.0f, format) || !std::isfinite(edited)) {
        return false;
    }
    value = edited;
    return true;
}

}  // namespace Zo::KV9RudiVeruv
