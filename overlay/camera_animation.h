#pragma once

// The camera animation: the current profile's keyframes turned into the camera coordinate for
// the current animation time, linearly or with Bezier timing between two keyframes, the angles
// r1 and r3 along the shorter arc.

#include "overlay/camera_profile.h"
#include "overlay/monotonic_clock.h"

#include <cstddef>

namespace Zo::KV9RudiVeruv {

// The six camera values in channel order: the first six fields of a CameraPoint.
struct CameraCoordinate {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float r1 = 0.0f;  // radians, periodic
    float r2 = 0.0f;  // degrees, not periodic
    float r3 = 0.0f;  // radians, periodic

    float& operator[](std::size_t channel);
    float operator[](std::size_t channel) const;
};

// A keyframe's six camera values.
CameraCoordinate coordinateOf(const CameraPoint& point);
void setCoordinate(CameraPoint& point, const CameraCoordinate& coordinate);

// Period of r1 and r3: 2π rounded to float.
constexpr float kAnglePeriod = 6.2831855f;

// The coordinate the game camera should take now, from g_currentProfile's time base; `current`
// is what the camera holds, and comes back unchanged while the animation does not drive it.
// Runs the time base on `clock` and keeps the Bezier work area in the profile. The caller holds
// g_stateMutex.
CameraCoordinate evaluateCameraAnimation(const CameraCoordinate& current,
                                         const MonotonicClock& clock);

}  // namespace Zo::KV9RudiVeruv
