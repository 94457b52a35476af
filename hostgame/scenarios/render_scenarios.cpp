#include "hostgame/scenarios/render_scenarios.h"

#include "hostgame/game/game_render_settings.h"
#include "hostgame/scenarios/scenario_checks.h"
#include "overlay/game_render_edge.h"
#include "overlay/main_window.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/headless_context.h"

#include <imgui.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace HostGame {

namespace {

using namespace Zo::KV9RudiVeruv;

std::array<uint8_t, 6> cameraCode() {
    std::array<uint8_t, 6> bytes;
    std::memcpy(bytes.data(), reinterpret_cast<const void*>(kCameraCodeAddress), bytes.size());
    return bytes;
}

std::array<uint8_t, 6> loadOf(const void* constant) {
    const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(constant));
    return {0xDD, 0x05, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
            static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 24)};
}

bool sameColor(const float* color, float r, float g, float b) {
    return color[0] == r && color[1] == g && color[2] == b;
}

int renderSettingsEdge(ScenarioChecks& checks) {
    const PlacedRenderSettings game = placeRenderSettings();
    const GameRenderEdge edge = gameRenderEdge();
    edge.writeDisplayFlags(false, true);
    checks.check(game.display[0x139] == 0 && game.display[0x138] == 1,
                 "health bars off and silhouettes on reach +0x139 and +0x138");
    edge.writeDisplayFlags(true, false);
    checks.check(game.display[0x139] == 1 && game.display[0x138] == 0,
                 "and the other way round");
    checks.check(edge.shadowMapSize() == game.shadowMapSize &&
                     *edge.shadowMapSize() == kInitialShadowMapSize,
                 "the shadow map size is the game's int at 0xCE9C24");
    checks.check(edge.maxShadowDistance() == game.maxShadowDistance &&
                     *edge.maxShadowDistance() == kInitialMaxShadowDistance,
                 "the shadow distance is the game's float at 0xCE9C28");
    struct Light {
        LightColor color;
        uint32_t offset;
    };
    const Light lights[] = {{LightColor::Ambient, 0x00}, {LightColor::Main, 0x0C},
                            {LightColor::Tint1, 0x30}, {LightColor::Tint2, 0x54}};
    bool allFound = true;
    for (const Light& light : lights) {
        allFound = allFound &&
                   edge.lightColor(light.color) == game.lighting->colors->at(light.offset);
    }
    checks.check(allFound, "each light colour lies at its offset of the lighting's colour block");
    // A new map brings a new lighting object; the next access finds it.
    LightColorBlock otherColors;
    LightingObject otherLighting;
    otherLighting.colors = &otherColors;
    replaceLighting(&otherLighting);
    float* const main = edge.lightColor(LightColor::Main);
    main[0] = 0.25f;
    main[1] = 0.5f;
    main[2] = 0.75f;
    checks.check(sameColor(otherColors.at(0x0C), 0.25f, 0.5f, 0.75f) &&
                     sameColor(game.lighting->colors->at(0x0C), 0.5f, 0.5f, 0.5f),
                 "a colour written after the change goes to the new lighting object");
    otherLighting.colors = nullptr;
    checks.check(edge.lightColor(LightColor::Main) == nullptr,
                 "a lighting object without colours gives no colour");
    replaceLighting(nullptr);
    checks.check(edge.lightColor(LightColor::Ambient) == nullptr, "no lighting, no colour");
    replaceDisplaySettings(nullptr);
    edge.writeDisplayFlags(false, false);
    checks.check(game.display[0x139] == 1 && game.display[0x138] == 0,
                 "without display settings the display write does nothing");
    return checks.exitCode();
}

// One frame of the main window without a device, as the overlay draws it.
void mainWindowFrame(const GameRenderEdge& edge) {
    std::lock_guard lock(g_stateMutex);
    ImGui::NewFrame();
    drawMainWindow(edge);
    ImGui::Render();
}

int cameraCodePatch(ScenarioChecks& checks) {
    placeRenderSettings();
    createHeadlessContext(ImVec2(800.0f, 600.0f));

    const std::array<uint8_t, 6> original = cameraCode();
    checks.check(original == loadOf(&g_cameraStepConstant),
                 "the camera code at 0x5EBF42 loads the game's own double");
    checks.check(host_camera_step() == 0.25, "the camera step runs it and returns 0.25");
    const GameRenderEdge edge = gameRenderEdge();
    mainWindowFrame(edge);
    checks.check(cameraCode() == original, "camera control off: the code stays");
    g_cameraControlEnabled = true;
    mainWindowFrame(edge);
    checks.check(cameraCode() == loadOf(&g_cameraPatchConstant),
                 "camera control on: DD 05 and the address of the plug-in's -0.1");
    checks.check(host_camera_step() == -0.1, "the camera step now returns -0.1");
    // Put the game's bytes back: only a second patch would change them again.
    std::memcpy(reinterpret_cast<void*>(kCameraCodeAddress), original.data(), original.size());
    g_cameraControlEnabled = false;
    mainWindowFrame(edge);
    g_cameraControlEnabled = true;
    mainWindowFrame(edge);
    mainWindowFrame(edge);
    checks.check(cameraCode() == original, "camera control off and on again patches nothing");
    ImGui::DestroyContext();
    return checks.exitCode();
}

}  // namespace

const std::vector<Scenario>& renderScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"render_settings_edge", renderSettingsEdge},
        {"camera_code_patch", cameraCodePatch},
    };
    return scenarios;
}

}  // namespace HostGame
