#include "overlay/config_number_repair.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <set>

namespace Zo::KV9RudiVeruv {

using nlohmann::json;

namespace {

constexpr const char* kPointFloats[] = {"x", "y", "z", "r1", "r2", "r3"};
constexpr const char* kEventFloats[] = {"gameTime", "relativeTime"};

bool readsAsFiniteFloat(const json& value) {
    return value.is_boolean() || (value.is_number() && std::isfinite(value.get<float>()));
}

class Repair {
public:
    void at(json& value, const std::string& where) {
        if (readsAsFiniteFloat(value)) return;
        ++(value.is_null() || value.is_number() ? m_repaired.nonFinite : m_repaired.notNumbers);
        if (m_repaired.first.empty()) m_repaired.first = where;
        value = 0.0;
    }

    template <std::size_t N>
    void members(json& object, const char* const (&keys)[N], const std::string& where) {
        if (!object.is_object()) return;
        for (const char* key : keys) {
            const auto member = object.find(key);
            if (member != object.end()) at(*member, where + '/' + key);
        }
    }

    // Each element of the array `key` of `object` with its pointer.
    template <typename Visit>
    static void elements(json& object, const char* key, const std::string& where, Visit visit) {
        if (!object.is_object()) return;
        const auto array = object.find(key);
        if (array == object.end() || !array->is_array()) return;
        for (std::size_t i = 0; i < array->size(); ++i) {
            visit((*array)[i], where + '/' + key + '/' + std::to_string(i));
        }
    }

    RepairedNumbers result() const { return m_repaired; }

private:
    RepairedNumbers m_repaired;
};

}  // namespace

RepairedNumbers repairNonFiniteNumbers(json& config) {
    Repair repair;
    Repair::elements(config, "cameraControls", "", [&](json& profile, const std::string& at) {
        Repair::elements(profile, "animations", at, [&](json& pair, const std::string& pairAt) {
            if (!pair.is_array() || pair.empty()) return;
            repair.at(pair[0], pairAt + "/0");
            if (pair.size() > 1) repair.members(pair[1], kPointFloats, pairAt + "/1");
        });
        Repair::elements(profile, "timedEvents", at, [&](json& event, const std::string& eventAt) {
            repair.members(event, kEventFloats, eventAt);
        });
    });
    return repair.result();
}

DroppedKeyframes findDroppedKeyframes(const json& config) {
    DroppedKeyframes dropped;
    const json& profiles = config.at("cameraControls");
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const json& pairs = profiles[i].at("animations");
        std::set<float> times;  // as the keyframe map orders them: -0 and 0 are one time
        for (std::size_t j = 0; j < pairs.size(); ++j) {
            if (times.insert(pairs[j].at(0).get<float>()).second) continue;
            if (dropped.count++ == 0) {
                dropped.first = "/cameraControls/" + std::to_string(i) + "/animations/" +
                                std::to_string(j);
            }
        }
    }
    return dropped;
}

}  // namespace Zo::KV9RudiVeruv
