#include "overlay/label_beside_widget.h"

#include <imgui.h>

namespace Zo::KV9RudiVeruv {

bool drawLabelBesideWidget(const char* label, const std::function<bool()>& widget) {
    const ImVec4 transparent(0.0f, 0.0f, 0.0f, 0.0f);
    ImGui::BeginGroup();
    const ImVec2 start = ImGui::GetCursorPos();
    ImGui::TextColored(transparent, "%s", label);
    ImGui::SameLine();
    const bool result = widget();
    const float lowered = (ImGui::GetItemRectSize().y - ImGui::GetTextLineHeight()) * 0.5f;
    ImGui::SetCursorPos(ImVec2(start.x, start.y + lowered));
    ImGui::TextUnformatted(label);
    ImGui::EndGroup();
    return result;
}

}  // namespace Zo::KV9RudiVeruv
