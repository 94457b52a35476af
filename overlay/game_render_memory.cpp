// The main window's edge over the game's memory: fixed addresses of the game image, the same for
// the base game and the expansion.

#include "overlay/game_render_edge.h"

#include "bridge/game_memory.h"

#include <windows.h>

#include <cstring>

namespace Zo::KV9RudiVeruv {

using Tovek::KV9Lua::readAt;

const double g_cameraPatchConstant = -0.1;

namespace {

constexpr uintptr_t kDisplaySettingsHolder = 0xCDB750;
constexpr uintptr_t kDrawHealthBarsOffset = 0x139;
constexpr uintptr_t kDrawSilhouettesOffset = 0x138;
constexpr uintptr_t kShadowMapSize = 0xCE9C24;
constexpr uintptr_t kMaxShadowDistance = 0xCE9C28;
constexpr uintptr_t kLightingHolder = 0xCDBBD8;
constexpr uintptr_t kLightColorsOffset = 0x24;
constexpr uintptr_t kCameraCode = 0x5EBF42;

uintptr_t lightColorOffset(LightColor color) {
    switch (color) {
        case LightColor::Ambient: return 0x00;
        case LightColor::Main: return 0x0C;
        case LightColor::Tint1: return 0x30;
        case LightColor::Tint2: return 0x54;
    }
    return 0x00;
}

void writeDisplayFlags(bool drawHealthBars, bool drawSilhouettes) {
    auto* const settings = reinterpret_cast<uint8_t*>(readAt<uintptr_t>(kDisplaySettingsHolder));
    if (settings == nullptr) return;
    settings[kDrawHealthBarsOffset] = drawHealthBars ? 1 : 0;
    settings[kDrawSilhouettesOffset] = drawSilhouettes ? 1 : 0;
}

float* lightColor(LightColor color) {
    const uintptr_t lighting = readAt<uintptr_t>(kLightingHolder);
    const uintptr_t colors = lighting == 0 ? 0 : readAt<uintptr_t>(lighting + kLightColorsOffset);
    if (colors == 0) return nullptr;
    return reinterpret_cast<float*>(colors + lightColorOffset(color));
}

// `fld qword ptr [g_cameraPatchConstant]` over the camera code's own load. The earlier
// protection stays changed, as nothing else of the game's code there is touched again.
void patchCameraCode() {
    const auto constant =
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&g_cameraPatchConstant));
    const uint8_t load[6] = {0xDD, 0x05, static_cast<uint8_t>(constant),
                             static_cast<uint8_t>(constant >> 8),
                             static_cast<uint8_t>(constant >> 16),
                             static_cast<uint8_t>(constant >> 24)};
    auto* const code = reinterpret_cast<void*>(kCameraCode);
    DWORD oldProtection = 0;
    if (VirtualProtect(code, sizeof load, PAGE_EXECUTE_READWRITE, &oldProtection)) {
        std::memcpy(code, load, sizeof load);
    }
    FlushInstructionCache(GetCurrentProcess(), nullptr, 0);
}

}  // namespace

GameRenderEdge gameRenderEdge() {
    return GameRenderEdge{
        writeDisplayFlags,
        [] { return reinterpret_cast<int32_t*>(kShadowMapSize); },
        [] { return reinterpret_cast<float*>(kMaxShadowDistance); },
        lightColor,
        patchCameraCode,
    };
}

}  // namespace Zo::KV9RudiVeruv
