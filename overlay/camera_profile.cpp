#include "overlay/camera_profile.h"

#include "overlay/nul_padded_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <bit>

namespace Zo::KV9RudiVeruv {

std::vector<CameraProfile> g_cameraProfiles;
CameraProfile g_currentProfile;
int32_t g_currentProfileIndex = 0;

namespace {

bool sameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

bool sameSavedFields(const CameraPoint& a, const CameraPoint& b) {
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z) &&
           sameBits(a.r1, b.r1) && sameBits(a.r2, b.r2) && sameBits(a.r3, b.r3) &&
           a.label == b.label;
}

bool sameSavedFields(const TimedEvent& a, const TimedEvent& b) {
    return sameBits(a.gameTime, b.gameTime) && sameBits(a.relativeTime, b.relativeTime) &&
           a.willSwitchPause == b.willSwitchPause &&
           a.willSwitchAnimation == b.willSwitchAnimation;
}

}  // namespace

bool sameSavedFields(const CameraProfile& a, const CameraProfile& b) {
    const auto sameKeyframe = [](const AnimationKeyframe& p, const AnimationKeyframe& q) {
        return sameBits(p.first, q.first) && sameSavedFields(p.second, q.second);
    };
    const auto sameEvent = [](const TimedEvent& p, const TimedEvent& q) {
        return sameSavedFields(p, q);
    };
    return a.description == b.description &&
           std::equal(a.animations.begin(), a.animations.end(), b.animations.begin(),
                      b.animations.end(), sameKeyframe) &&
           std::equal(a.timedEvents.begin(), a.timedEvents.end(), b.timedEvents.begin(),
                      b.timedEvents.end(), sameEvent);
}

// Floats go in as doubles of the same value: the dump then prints the shortest text that reads
// back to that double (0.1f as 0.10000000149011612) and null for a non-finite value.

void to_json(nlohmann::json& json, const CameraPoint& point) {
    json["x"] = point.x;
    json["y"] = point.y;
    json["z"] = point.z;
    json["r1"] = point.r1;
    json["r2"] = point.r2;
    json["r3"] = point.r3;
    json["label"] = point.label;
}

void from_json(const nlohmann::json& json, CameraPoint& point) {
    json.at("x").get_to(point.x);
    json.at("y").get_to(point.y);
    json.at("z").get_to(point.z);
    json.at("r1").get_to(point.r1);
    json.at("r2").get_to(point.r2);
    json.at("r3").get_to(point.r3);
    json.at("label").get_to(point.label);
    cutAtNul(point.label);  // the text is the part before the first NUL, as the editor shows it
}

void to_json(nlohmann::json& json, const TimedEvent& event) {
    json["gameTime"] = event.gameTime;
    json["relativeTime"] = event.relativeTime;
    json["willSwitchPause"] = event.willSwitchPause;
    json["willSwitchAnimation"] = event.willSwitchAnimation;
}

void from_json(const nlohmann::json& json, TimedEvent& event) {
    json.at("gameTime").get_to(event.gameTime);
    json.at("relativeTime").get_to(event.relativeTime);
    json.at("willSwitchPause").get_to(event.willSwitchPause);
    json.at("willSwitchAnimation").get_to(event.willSwitchAnimation);
}

// The keyframe map has a float key, so the library writes it as an array of [time, point]
// pairs; its reader empties the map and keeps the first pair of a repeated time.

void to_json(nlohmann::json& json, const CameraProfile& profile) {
    json["description"] = profile.description;
    json["animations"] = profile.animations;
    json["timedEvents"] = profile.timedEvents;
}

void from_json(const nlohmann::json& json, CameraProfile& profile) {
    json.at("description").get_to(profile.description);
    cutAtNul(profile.description);
    json.at("animations").get_to(profile.animations);
    json.at("timedEvents").get_to(profile.timedEvents);
}

}  // namespace Zo::KV9RudiVeruv
