// Stand-ins for three functions that other branches bring: the cubic Bezier point, the rule of
// the camera write-back and the label beside a widget. This file goes when they arrive.

#include "overlay/bezier_timing.h"
#include "overlay/camera_write_back.h"
#include "overlay/label_beside_widget.h"

#include <imgui.h>

namespace Zo::KV9RudiVeruv {

void evaluateCubicBezier(const std::array<CurveKey, 4>& points, CurveKey& point, float s) {
    const float u = 1.0f - s;
    const float weights[4] = {u * u * u, 3.0f * u * u * s, 3.0f * u * s * s, s * s * s};
    point = CurveKey{};
    for (int i = 0; i < 4; ++i) {
        point.v += weights[i] * points[i].v;
        point.t += weights[i] * points[i].t;
    }
}

bool cameraWriteNeeded(const CameraCoordinate& read, const CameraCoordinate& returned) {
    return !(read.x == returned.x && read.y == returned.y && read.z == returned.z &&
             read.r1 == returned.r1 && read.r2 == returned.r2 && read.r3 == returned.r3);
}

bool drawLabelBesideWidget(const char* label, const std::function<bool()>& widget) {
    ImGui::BeginGroup();
    const ImVec2 start = ImGui::GetCursorPos();
    ImGui::TextColored(ImVec4(0.0f, 0.0f, 0.0f, 0.0f), "%s", label);
    ImGui::SameLine();
    const bool result = widget();
    const float lowered = (ImGui::GetItemRectSize().y - ImGui::GetTextLineHeight()) * 0.5f;
    ImGui::SetCursorPos(ImVec2(start.x, start.y + lowered));
    ImGui::TextUnformatted(label);
    ImGui::EndGroup();
    return result;
}

}  // namespace Zo::KV9RudiVeruv
