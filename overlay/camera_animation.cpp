#include "overlay/camera_animation.h"

#include "overlay/bezier_timing.h"

#include <array>
#include <chrono>
#include <cmath>
#include <iterator>

namespace Zo::KV9RudiVeruv {

CameraCoordinate coordinateOf(const CameraPoint& point) {
    return CameraCoordinate{point.x, point.y, point.z, point.r1, point.r2, point.r3};
}

void setCoordinate(CameraPoint& point, const CameraCoordinate& coordinate) {
    point.x = coordinate.x;
    point.y = coordinate.y;
    point.z = coordinate.z;
    point.r1 = coordinate.r1;
    point.r2 = coordinate.r2;
    point.r3 = coordinate.r3;
}

namespace {

constexpr std::array<float CameraCoordinate::*, kCameraChannelCount> kChannels{
    &CameraCoordinate::x,  &CameraCoordinate::y,  &CameraCoordinate::z,
    &CameraCoordinate::r1, &CameraCoordinate::r2, &CameraCoordinate::r3};

constexpr std::size_t kChannelR1 = 3;
constexpr std::size_t kChannelR3 = 5;
constexpr float kNanosecondsPerSecond = 1000000000.0f;

using Keyframe = std::map<float, CameraPoint>::const_iterator;

bool isAngle(std::size_t channel) { return channel == kChannelR1 || channel == kChannelR3; }

// The difference of two angles along the shorter arc, within [-π, π].
float shorterArc(float difference) { return std::remainder(difference, kAnglePeriod); }

CurveKey curveKeyOf(const Keyframe& keyframe, std::size_t channel) {
    return CurveKey{coordinateOf(keyframe->second)[channel], keyframe->first};
}

float secondsBetween(MonotonicTime start, MonotonicTime now) {
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now - start);
    return static_cast<float>(static_cast<double>(nanoseconds.count())) / kNanosecondsPerSecond;
}

CameraCoordinate evaluateLinearSegment(const Keyframe& start, const Keyframe& end, float t) {
    const float u = (t - start->first) / (end->first - start->first);
    const CameraCoordinate a = coordinateOf(start->second);
    const CameraCoordinate b = coordinateOf(end->second);
    CameraCoordinate result;
    for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
        // The angle's sum is not wrapped again: inside a segment it may leave [-π, π].
        result[channel] = isAngle(channel)
                              ? a[channel] + u * shorterArc(b[channel] - a[channel])
                              : (1.0f - u) * a[channel] + u * b[channel];
    }
    return result;
}

// `to` moved by whole turns to lie within half a turn of `from`.
void unwrapAngle(const CurveKey& from, CurveKey& to) {
    to.v = from.v + shorterArc(to.v - from.v);
}

// Fills the profile's work area for the segment start -> end and solves each channel at the
// profile's animation time.
CameraCoordinate evaluateBezierSegment(CameraProfile& profile, const Keyframe& start,
                                       const Keyframe& end) {
    const Keyframe pre = start == profile.animations.begin() ? start : std::prev(start);
    const Keyframe post = std::next(end) == profile.animations.end() ? end : std::next(end);
    CameraCoordinate result;
    for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
        CurveKey& preKey = profile.bezierPre[channel] = curveKeyOf(pre, channel);
        CurveKey& startKey = profile.bezierStart[channel] = curveKeyOf(start, channel);
        CurveKey& endKey = profile.bezierEnd[channel] = curveKeyOf(end, channel);
        CurveKey& postKey = profile.bezierPost[channel] = curveKeyOf(post, channel);
        if (isAngle(channel)) {
            unwrapAngle(preKey, startKey);
            unwrapAngle(startKey, endKey);
            unwrapAngle(endKey, postKey);
        }
        placeInnerControlPoints(preKey, startKey, endKey, postKey, profile.bezierC1[channel],
                                profile.bezierC2[channel]);
    }
    for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
        const float value =
            solveBezierSegment(profile, static_cast<int>(channel), profile.animationTime);
        result[channel] = isAngle(channel) ? shorterArc(value) : value;
    }
    return result;
}

}  // namespace

float& CameraCoordinate::operator[](std::size_t channel) { return this->*kChannels[channel]; }

float CameraCoordinate::operator[](std::size_t channel) const {
    return this->*kChannels[channel];
}

CameraCoordinate evaluateCameraAnimation(const CameraCoordinate& current,
                                         const MonotonicClock& clock) {
    CameraProfile& profile = g_currentProfile;
    const std::map<float, CameraPoint>& keyframes = profile.animations;
    CameraCoordinate result = current;
    if (keyframes.empty()) {
        profile.animationPlaying = false;
        return result;
    }

    if (profile.animationPlaying) {
        const MonotonicTime now = clock();
        if (!profile.animationStart) profile.animationStart = now;
        profile.animationTime = secondsBetween(*profile.animationStart, now);
        profile.timeValid = true;
    } else {
        // Playing always starts again at time 0.
        profile.animationStart.reset();
        if (!profile.timeValid) return result;
    }
    const float t = profile.animationTime;

    const Keyframe end = keyframes.lower_bound(t);
    if (end == keyframes.end()) {
        // Past the last keyframe: the camera takes it once and is then left free.
        const Keyframe last = std::prev(end);
        profile.animationPlaying = false;
        profile.animationTime = last->first;
        result = coordinateOf(last->second);
    } else if (end == keyframes.begin()) {
        // Before the first keyframe the camera is not driven.
        if (end->first == t) result = coordinateOf(end->second);
    } else {
        const Keyframe start = std::prev(end);
        profile.segmentUsesBezier = start->second.bezierAfter;
        result = profile.segmentUsesBezier ? evaluateBezierSegment(profile, start, end)
                                           : evaluateLinearSegment(start, end, t);
    }
    if (!profile.animationPlaying) profile.timeValid = false;
    return result;
}

}  // namespace Zo::KV9RudiVeruv
