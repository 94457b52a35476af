#pragma once

// The camera tool's profiles: what the configuration file keeps of a profile (description,
// keyframes, timed events) and the run-time state that the animation, the timed events and the
// editor keep beside it.

#include "overlay/overlay_state.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Zo::KV9RudiVeruv {

// Channels x, y, z, r1, r2, r3, in this order everywhere in the camera tool.
constexpr std::size_t kCameraChannelCount = 6;

// One camera coordinate of an animation.
struct CameraPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float r1 = 0.0f;
    float r2 = 0.0f;
    float r3 = 0.0f;
    std::string label;         // UTF-8; the editor may pad it with NULs
    bool bezierAfter = false;  // the segment to the next keyframe is Bezier-timed; not saved
};

// Keyframe time in seconds from the animation's start, and the point there.
using AnimationKeyframe = std::pair<const float, CameraPoint>;

struct TimedEvent {
    float gameTime = -1.0f;  // seconds of game time; only the first event uses it, when > 0
    float relativeTime = 1.0f;
    bool willSwitchPause = false;
    bool willSwitchAnimation = false;
    bool fired = false;  // not saved
};

// A point of one channel's Bezier timing curve.
struct CurveKey {
    float v = 0.0f;  // channel value
    float t = 0.0f;  // seconds
};

// The last Bezier solve of one channel.
struct BezierSolveResult {
    float v = 0.0f;
    float t = 0.0f;
    int32_t iterations = 0;  // bisection step that met the tolerance; -1 when it failed
};

using ChannelCurveKeys = std::array<CurveKey, kCameraChannelCount>;

// Only description, animations and timedEvents are saved; the rest is run-time state that a
// copy carries along.
struct CameraProfile {
    bool segmentUsesBezier = false;  // bezierAfter of the segment evaluated last
    // Control data of the last Bezier segment, one key per channel.
    ChannelCurveKeys bezierPre{};
    ChannelCurveKeys bezierStart{};
    ChannelCurveKeys bezierC1{};
    ChannelCurveKeys bezierC2{};
    ChannelCurveKeys bezierEnd{};
    ChannelCurveKeys bezierPost{};
    std::array<BezierSolveResult, kCameraChannelCount> bezierResults{};
    int32_t inspectorChannel = 0;
    bool animationPlaying = false;
    bool timeValid = false;  // animationTime holds a value to apply to the camera
    std::optional<std::chrono::steady_clock::time_point> animationStart;
    float animationTime = 0.0f;
    std::string description;  // UTF-8; the editor may pad it with NULs
    std::map<float, CameraPoint> animations;
    float editKeyTime = -1.0f;  // keyframe whose time is being edited; -1 when none
    float editTimeInput = 0.0f;
    float newKeyTime = 0.0f;
    CameraPoint newKeyPoint;
    std::vector<TimedEvent> timedEvents;
    std::optional<std::chrono::steady_clock::time_point> eventRunStart;  // first event fired
    TimedEvent newEvent;  // the template the timed-events window appends
};

// The fields the configuration file keeps are equal: description and labels as they stand,
// every float bit for bit (so -0 is not 0, and a NaN equals only the same NaN).
bool sameSavedFields(const CameraProfile& a, const CameraProfile& b);

// The configuration file's forms of the records. The readers take every key with at(), so a
// missing key throws; keys they do not know are ignored. A text is read up to its first NUL,
// as the writer writes it.
void to_json(nlohmann::json& json, const CameraPoint& point);
void from_json(const nlohmann::json& json, CameraPoint& point);
void to_json(nlohmann::json& json, const TimedEvent& event);
void from_json(const nlohmann::json& json, TimedEvent& event);
void to_json(nlohmann::json& json, const CameraProfile& profile);
void from_json(const nlohmann::json& json, CameraProfile& profile);

}  // namespace Zo::KV9RudiVeruv
