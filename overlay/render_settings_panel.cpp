#include "overlay/render_settings_panel.h"

#include <imgui.h>

#include <cstring>
#include <utility>

namespace Zo::KV9RudiVeruv {

bool g_hideHealthBars = false;
bool g_hideSilhouettes = false;

namespace {

void drawShadowSettings(const GameRenderEdge& game) {
    ImGui::Separator();
    ImGui::TextWrapped("阴影贴图大小（重新开始一局游戏之后生效）");
    for (const auto& [label, texels] : {std::pair{"1024", 1024}, std::pair{"2048", 2048},
                                        std::pair{"4096", 4096}, std::pair{"8192", 8192}}) {
        ImGui::SameLine();
        if (ImGui::RadioButton(label, *game.shadowMapSize() == texels)) {
            *game.shadowMapSize() = texels;
        }
    }
    ImGui::InputFloat("最大阴影距离", game.maxShadowDistance(), 0.0f, 0.0f, "%.3f");
}

// The editor works on a copy, so the game's colour is written only when the user changed it.
// Without lighting in the game there is nothing to edit.
void drawLightColor(const char* label, const GameRenderEdge& game, LightColor color) {
    const float* const held = game.lightColor(color);
    if (held == nullptr) return;
    float rgb[3];
    std::memcpy(rgb, held, sizeof rgb);
    if (!ImGui::ColorEdit3(label, rgb)) return;
    if (float* const target = game.lightColor(color)) std::memcpy(target, rgb, sizeof rgb);
}

void drawLightColors(const GameRenderEdge& game) {
    ImGui::Separator();
    ImGui::TextUnformatted("光照颜色");
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 1.0f, 1.0f, 0.75f));
    ImGui::TextWrapped("点击右侧有颜色的按钮可以打开调色板；在左侧输入框按 Ctrl "
                       "再单击左键就可以输入大于 255 或者小于 0 的数值");
    ImGui::PopStyleColor();
    drawLightColor("主光源颜色", game, LightColor::Main);
    drawLightColor("调色颜色 #1", game, LightColor::Tint1);
    drawLightColor("调色颜色 #2", game, LightColor::Tint2);
    drawLightColor("环境光颜色", game, LightColor::Ambient);
}

}  // namespace

void drawRenderSettings(const GameRenderEdge& game) {
    ImGui::Checkbox("不显示血条和维修标志", &g_hideHealthBars);
    ImGui::Checkbox("不显示建筑背后的单位剪影", &g_hideSilhouettes);
    drawShadowSettings(game);
    drawLightColors(game);
}

void writeDisplaySwitches(const GameRenderEdge& game) {
    game.writeDisplayFlags(!g_hideHealthBars, !g_hideSilhouettes);
}

}  // namespace Zo::KV9RudiVeruv
