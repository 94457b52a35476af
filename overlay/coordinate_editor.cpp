#include "overlay/coordinate_editor.h"

#include "overlay/finite_input.h"

#include <imgui.h>

#include <cmath>

namespace Zo::KV9RudiVeruv {

namespace {

const ImVec4 kHintColour(0.75f, 0.75f, 0.75f, 1.0f);
const ImU32 kArrowColour = IM_COL32_WHITE;

// An arrow left of the rotation slider whose item rectangle is (min, max): up at rotation 0,
// turning with the rotation.
void drawDirectionArrow(ImVec2 min, ImVec2 max, float rotation) {
    const float height = max.y - min.y;
    const float left = min.x - 0.5f * ImGui::GetStyle().ItemSpacing.x;
    const ImVec2 centre(left - height / 2.0f, (min.y + max.y) / 2.0f);
    const float r = height / 2.0f;
    const float angle = -rotation;  // screen y grows downwards
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const auto at = [&](float u, float v) {
        return ImVec2(centre.x + u * c - v * s, centre.y + u * s + v * c);
    };
    ImDrawList* drawList = ImGui::GetWindowDrawList();
    drawList->AddTriangleFilled(at(-r / 2.0f, r), at(0.0f, r / 2.0f), at(0.0f, -r), kArrowColour);
    drawList->AddTriangleFilled(at(0.0f, r / 2.0f), at(r / 2.0f, r), at(0.0f, -r), kArrowColour);
}

// The toolkit's angle slider converts to degrees and back on every frame, which need not give
// the same float again: the angle takes the slider's value only when the user changed it.
void sliderAngle(const char* label, float& radians) {
    float shown = radians;
    if (ImGui::SliderAngle(label, &shown, -180.0f, 180.0f, "%.1f°",
                           ImGuiSliderFlags_NoRoundToFormat)) {
        radians = shown;
    }
}

}  // namespace

CameraCoordinate drawCoordinateEditor(const CameraCoordinate& value, const char* id) {
    ImGui::PushID(id);
    CameraCoordinate copy = value;
    float position[3] = {copy.x, copy.y, copy.z};
    ImGui::DragFloat3("坐标（可拖动）", position, 1.0f, 0.0f, 0.0f, "%.3f", ImGuiSliderFlags_None);
    copy.x = position[0];
    copy.y = position[1];
    copy.z = position[2];
    bool hovered = ImGui::IsItemHovered();

    ImGui::Columns(3, nullptr, true);
    const float lineHeight = ImGui::GetTextLineHeight();
    ImGui::Dummy(ImVec2(lineHeight, lineHeight));
    ImGui::SameLine();
    sliderAngle("旋转", copy.r1);
    hovered = ImGui::IsItemHovered() || hovered;
    drawDirectionArrow(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(), copy.r1);
    ImGui::NextColumn();
    ImGui::SliderFloat("俯仰", &copy.r2, 5.0f, 90.0f, "%.1f°", ImGuiSliderFlags_NoRoundToFormat);
    hovered = ImGui::IsItemHovered() || hovered;
    ImGui::NextColumn();
    sliderAngle("滚转", copy.r3);
    hovered = ImGui::IsItemHovered() || hovered;
    ImGui::Columns(1, nullptr, true);

    if (hovered) drawDirectInputHint();
    ImGui::PopID();
    return finiteOr(copy, value);  // a value typed in with Ctrl+click may be inf or NaN
}

void drawDirectInputHint() {
    ImGui::PushStyleColor(ImGuiCol_Text, kHintColour);
    ImGui::SetTooltip("%s", "按住 Ctrl 再点击可以直接输入数值");
    ImGui::PopStyleColor();
}

}  // namespace Zo::KV9RudiVeruv
