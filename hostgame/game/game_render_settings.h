#pragma once

// The game's render settings at their fixed addresses: the display settings object behind
// 0xCDB750, the shadow map size and distance at 0xCE9C24 and 0xCE9C28, the lighting object
// behind 0xCDBBD8 with its light colours behind +0x24; and the camera code at 0x5EBF42.

#include <array>
#include <cstddef>
#include <cstdint>

extern "C" {
// The camera's step: `fld qword ptr [g_cameraStepConstant]` at 0x5EBF42, then ret.
double host_camera_step();
extern const double g_cameraStepConstant;  // 0.25
}

namespace HostGame {

constexpr uint32_t kCameraCodeAddress = 0x5EBF42;
constexpr int32_t kInitialShadowMapSize = 2048;
constexpr float kInitialMaxShadowDistance = 600.0f;

// The light colour block: ambient at +0x00, main light at +0x0C, tints at +0x30 and +0x54.
struct LightColorBlock {
    std::array<uint8_t, 0x60> bytes{};
    float* at(uint32_t offset) { return reinterpret_cast<float*>(bytes.data() + offset); }
};

struct LightingObject {
    std::array<uint8_t, 0x24> before{};
    LightColorBlock* colors = nullptr;  // at +0x24
};
static_assert(offsetof(LightingObject, colors) == 0x24);

// The game's memory as a new match finds it: both display bytes 1, the shadow values above,
// each light colour (0.5, 0.5, 0.5). Returns the objects that the fixed pointers lead to.
struct PlacedRenderSettings {
    uint8_t* display;  // the display settings object; +0x138 silhouettes, +0x139 health bars
    int32_t* shadowMapSize;
    float* maxShadowDistance;
    LightingObject* lighting;
};
PlacedRenderSettings placeRenderSettings();

// Points the holders at other objects, or at none (null), as the game does between matches.
void replaceLighting(LightingObject* lighting);
void replaceDisplaySettings(uint8_t* display);

}  // namespace HostGame
