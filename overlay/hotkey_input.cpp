#include "overlay/hotkey_input.h"

#include <imgui.h>

#include <cctype>

namespace Zo::KV9RudiVeruv {

void drawHotkeyInput(const char* label, char* hotkey) {
    ImGui::PushID(label);
    ImGui::BeginGroup();
    const ImVec2 start = ImGui::GetCursorPos();
    // The invisible label holds the place that the visible one takes below.
    ImGui::TextColored(ImVec4(0.0f, 0.0f, 0.0f, 0.0f), "%s", label);
    ImGui::SameLine();
    char field[2] = {*hotkey, '\0'};
    ImGui::SetNextItemWidth(ImGui::CalcTextSize("WWW").x);
    if (ImGui::InputText("##HotkeyInput", field, sizeof field)) {
        const auto typed = static_cast<unsigned char>(field[0]);
        *hotkey = std::isalpha(typed) ? static_cast<char>(std::toupper(typed)) : '\0';
    }
    const float lowered = (ImGui::GetItemRectSize().y - ImGui::GetTextLineHeight()) * 0.5f;
    ImGui::SetCursorPos(ImVec2(start.x, start.y + lowered));
    ImGui::TextUnformatted(label);
    ImGui::EndGroup();
    ImGui::PopID();
}

}  // namespace Zo::KV9RudiVeruv
