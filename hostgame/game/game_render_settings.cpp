#include "hostgame/game/game_render_settings.h"

namespace HostGame {

namespace {

template <typename T>
T* fixed(uint32_t address) {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
}

uint8_t g_displaySettings[0x140];
LightColorBlock g_lightColors;
LightingObject g_lighting;

}  // namespace

PlacedRenderSettings placeRenderSettings() {
    g_displaySettings[0x138] = 1;
    g_displaySettings[0x139] = 1;
    replaceDisplaySettings(g_displaySettings);
    *fixed<int32_t>(0xCE9C24) = kInitialShadowMapSize;
    *fixed<float>(0xCE9C28) = kInitialMaxShadowDistance;
    for (const uint32_t offset : {0x00u, 0x0Cu, 0x30u, 0x54u}) {
        for (int channel = 0; channel < 3; ++channel) g_lightColors.at(offset)[channel] = 0.5f;
    }
    g_lighting.colors = &g_lightColors;
    replaceLighting(&g_lighting);
    return {g_displaySettings, fixed<int32_t>(0xCE9C24), fixed<float>(0xCE9C28), &g_lighting};
}

void replaceLighting(LightingObject* lighting) { *fixed<LightingObject*>(0xCDBBD8) = lighting; }

void replaceDisplaySettings(uint8_t* display) { *fixed<uint8_t*>(0xCDB750) = display; }

}  // namespace HostGame
