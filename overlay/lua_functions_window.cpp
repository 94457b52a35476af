#include "overlay/lua_functions_window.h"

#include "overlay/combo_from_list.h"
#include "overlay/lua_commands.h"

#include <imgui.h>

#include <algorithm>
#include <cstring>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr const char* kRestoreColor = "恢复原来的颜色";
constexpr const char* kCustomColor = "自定义颜色";
constexpr const char* kCustomColorPopup = "选择自定义颜色";
constexpr const char* kTeamIdPopup = "手动输入队伍 ID";
constexpr std::size_t kTeamIdTypingRoom = 8;  // NULs added each frame: room for 7 more bytes

void textDisabledWrapped(const char* text) {
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImGui::TextWrapped("%s", text);
    ImGui::PopStyleColor();
}

// Marks the pointer while the game itself no longer reacts to it.
void drawMouseCross() {
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    ImDrawList* const drawList = ImGui::GetForegroundDrawList();
    const ImU32 white = ImGui::GetColorU32(ImVec4(1.0f, 1.0f, 1.0f, 1.0f));
    drawList->AddRectFilled(ImVec2(mouse.x - 15, mouse.y - 2), ImVec2(mouse.x + 15, mouse.y + 2),
                            white);
    drawList->AddRectFilled(ImVec2(mouse.x - 2, mouse.y - 15), ImVec2(mouse.x + 2, mouse.y + 15),
                            white);
}

}  // namespace

int customColorValue(const float (&rgb)[3]) {
    const auto channel = [](float value) {
        const float clamped = value > 0.0f ? std::min(value, 1.0f) : 0.0f;  // NaN too gives 0
        return static_cast<int>(255.0f * clamped);
    };
    return (channel(rgb[0]) << 16) + (channel(rgb[1]) << 8) + channel(rgb[2]);
}

void drawGameInputPanel(const LuaCommandEdge& lua) {
    ImGui::TextWrapped("禁用游戏中的鼠标输入");
    textDisabledWrapped("这将能避免鼠标移至单位上方时产生边框、影响拍摄效果");
    if (ImGui::Button(g_gameInputEnabled ? "在游戏中禁用输入" : "在游戏中启用输入")) {
        sendToggleCommand(lua, &g_gameInputEnabled);
    }
}

void drawLuaFunctionsWindow(const LuaCommandEdge& lua) {
    if (ImGui::Begin(kLuaFunctionsWindowTitle)) {
        ImGui::TextWrapped("以下功能仅对拥有 Lua 事件列表的单位 / 建筑有效");
        ImGui::Separator();
        ImGui::PushID(1);
        drawUnitColorPanel(lua, g_playerColorTable);
        ImGui::PopID();
        ImGui::Separator();
        ImGui::PushID(2);
        drawUnitTeamPanel(lua, g_teamPlayerList);
        ImGui::PopID();
        ImGui::Separator();
        ImGui::PushID(3);
        drawGameInputPanel(lua);
        ImGui::PopID();
    }
    ImGui::End();
    if (!g_gameInputEnabled) drawMouseCross();
}

void drawUnitColorPanel(const LuaCommandEdge& lua, PlayerColorTable& table) {
    ImGui::TextWrapped("切换单位的颜色");
    bool openCustomColor = false;
    if (ImGui::BeginCombo("颜色", table.colorLabel.c_str())) {
        if (ImGui::Selectable(kRestoreColor)) {
            table.colorLabel = kRestoreColor;
            table.colorValue = 0;
        }
        if (ImGui::Selectable(kCustomColor)) {
            table.colorLabel = kCustomColor;
            openCustomColor = true;
        }
        for (const int color : table.colorList) {
            const ColorEntry& entry = table.colorEntries.at(color);
            // Drawn as selected, so that the row shows in its own colour.
            ImGui::PushStyleColor(ImGuiCol_Header, entry.packed);
            if (ImGui::Selectable(entry.text.c_str(), true)) {
                table.colorLabel = entry.text;
                table.colorValue = color;
            }
            ImGui::PopStyleColor();
        }
        ImGui::EndCombo();
    }
    if (ImGui::BeginPopup(kCustomColorPopup)) {
        if (ImGui::ColorPicker3("##ColorPicker", table.customColor)) {
            table.colorValue = customColorValue(table.customColor);
        }
        ImGui::EndPopup();
    }
    if (openCustomColor) ImGui::OpenPopup(kCustomColorPopup);
    comboFromList("选择哪些单位", &table.whichUnits, kWhichUnitsItems);
    comboFromList("选择谁的单位", &table.whoseUnits, kWhoseUnitsItems);
    if (ImGui::Button("切换单位的颜色")) sendUnitColorCommand(lua, table);
}

void drawUnitTeamPanel(const LuaCommandEdge& lua, TeamPlayerList& list) {
    ImGui::TextWrapped("切换单位的队伍");
    textDisabledWrapped("注意，改变队伍将会导致录像不同步");
    bool openTeamIdEntry = false;
    if (ImGui::BeginCombo("队伍 ID", list.teamId.c_str())) {
        if (ImGui::Selectable("（手动输入）")) openTeamIdEntry = true;
        for (const std::string& name : list.teamNames) {
            if (ImGui::Selectable(name.c_str(), true)) list.teamId = name;
        }
        ImGui::EndCombo();
    }
    if (ImGui::BeginPopup(kTeamIdPopup)) {
        // The field edits the string's own storage.
        list.teamId.append(kTeamIdTypingRoom, '\0');
        ImGui::InputText("队伍 ID", list.teamId.data(), list.teamId.size());
        list.teamId.resize(std::strlen(list.teamId.c_str()));
        ImGui::EndPopup();
    }
    if (openTeamIdEntry) ImGui::OpenPopup(kTeamIdPopup);
    ImGui::Checkbox("启用 AI 操控", &list.aiControl);
    comboFromList("选择哪些单位", &list.whichUnits, kWhichUnitsItems);
    comboFromList("选择谁的单位", &list.whoseUnits, kWhoseUnitsItems);
    if (ImGui::Button("切换单位的队伍")) sendUnitTeamCommand(lua, list);
}

}  // namespace Zo::KV9RudiVeruv
