#include "overlay/camera_control_window.h"

#include "overlay/camera_config.h"
#include "overlay/camera_profile.h"
#include "overlay/coordinate_editor.h"
#include "overlay/keyframe_editor.h"
#include "overlay/nul_padded_text.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr std::size_t kDescriptionMinimumSize = 72;
// The game's actual camera position, components 0 to 2.
constexpr unsigned int kActualCameraPositionRegister = 123;

int highestProfileIndex() { return std::max(static_cast<int>(g_cameraProfiles.size()) - 1, 0); }

// Brings the list entry of the working copy up to date.
void storeWorkingCopy() {
    if (g_currentProfileIndex >= 0 && g_currentProfileIndex < static_cast<int>(g_cameraProfiles.size())) {
        g_cameraProfiles[g_currentProfileIndex] = g_currentProfile;
    }
}

void drawProfileButtons(const ModulePathLookup& modulePath) {
    if (g_cameraProfiles.empty()) {
        g_currentProfileIndex = 0;
        g_cameraProfiles.push_back(g_currentProfile);
    }
    const int highest = highestProfileIndex();
    int selected = g_currentProfileIndex;
    ImGui::SliderInt("切换配置 #", &selected, 0, highest, "%d");
    selected = std::clamp(selected, 0, highest);
    if (selected != g_currentProfileIndex) {
        storeWorkingCopy();
        g_currentProfile = g_cameraProfiles[selected];
        g_currentProfileIndex = selected;
    }
    if (ImGui::Button("新配置")) {
        storeWorkingCopy();
        g_currentProfileIndex = static_cast<int>(g_cameraProfiles.size());
        g_cameraProfiles.emplace_back();
        g_currentProfile = g_cameraProfiles.back();
    }
    ImGui::SameLine();
    if (ImGui::Button("克隆配置")) {
        storeWorkingCopy();
        g_currentProfileIndex = std::clamp(g_currentProfileIndex + 1, 0,
                                           static_cast<int>(g_cameraProfiles.size()));
        g_cameraProfiles.insert(g_cameraProfiles.begin() + g_currentProfileIndex, g_currentProfile);
    }
    ImGui::SameLine();
    if (ImGui::Button("保存配置")) saveCameraConfig(modulePath);
}

// A box as high as the text's lines, and half a line more.
void drawDescription(std::string& description) {
    lengthenWithNul(description, kDescriptionMinimumSize);
    const float height =
        1.5f * ImGui::CalcTextSize("W").y + ImGui::CalcTextSize(description.c_str()).y;
    ImGui::InputTextMultiline("说明", description.data(), description.size(), ImVec2(0.0f, height));
    cutToWholeUtf8(description);
}

void drawActualCameraPosition(const PixelShaderConstantRead& readPixelShaderConstants) {
    float position[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (readPixelShaderConstants) readPixelShaderConstants(kActualCameraPositionRegister, position, 1);
    ImGui::Text("实际摄像机坐标 %.3f %.3f %.3f", static_cast<double>(position[0]),
                static_cast<double>(position[1]), static_cast<double>(position[2]));
}

void drawAnimationControls(CameraProfile& profile) {
    if (profile.animations.empty()) {
        profile.animationPlaying = false;
        return;
    }
    ImGui::Separator();
    ImGui::TextUnformatted("摄像机动画");
    if (ImGui::Button(profile.animationPlaying ? "暂停动画" : "开始动画")) {
        profile.animationPlaying = !profile.animationPlaying;
    }
    ImGui::Spacing();
    const float lastTime = std::prev(profile.animations.end())->first;
    float time = profile.animationTime;  // Ctrl+click may type a time that is not finite
    if (ImGui::SliderFloat("当前动画时间", &time, 0.0f, lastTime, "%.3f") && std::isfinite(time)) {
        profile.animationTime = time;
        profile.timeValid = true;
    }
    if (ImGui::IsItemHovered()) drawDirectInputHint();
    ImGui::Separator();
    ImGui::TextUnformatted("摄像机动画坐标列表");
}

}  // namespace

void drawCameraControlWindowContents(const OverlayFrameEdges& game) {
    const GameCameraAccess& camera = game.camera;
    drawProfileButtons(game.modulePath);
    ImGui::Separator();
    CameraProfile& profile = g_currentProfile;
    drawDescription(profile.description);

    const std::optional<CameraCoordinate> read = camera.read ? camera.read() : std::nullopt;
    std::optional<CameraCoordinate> edited;
    if (read) {
        ImGui::TextUnformatted("当前摄像机坐标");
        edited = drawCoordinateEditor(*read, "Current");
    }
    drawActualCameraPosition(game.pixelShaderConstants);
    drawAnimationControls(profile);
    // While an animation drives the camera, its values replace these later in the frame.
    if (read && camera.write && cameraWriteNeeded(*read, *edited)) camera.write(*edited);

    drawKeyframeList(profile);
    drawKeyframeAddBlock(profile, read);
}

void drawCameraControlWindow(const OverlayFrameEdges& game) {
    if (ImGui::Begin(kCameraControlWindowTitle)) {
        drawCameraControlWindowContents(game);
    }
    ImGui::End();
}

}  // namespace Zo::KV9RudiVeruv
