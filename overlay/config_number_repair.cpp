#include "overlay/config_number_repair.h"

#include <nlohmann/json.hpp>

#include <cmath>

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
        value = 0.0;
        if (m_repaired.count++ == 0) m_repaired.first = where;
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

}  // namespace Zo::KV9RudiVeruv
