#include "overlay/main_window.h"

#include "overlay/camera_config.h"
#include "overlay/hotkey_input.h"
#include "overlay/hotkey_letters.h"
#include "overlay/output_log.h"
#include "overlay/pause_refusal.h"
#include "overlay/render_settings_panel.h"
#include "rudiveruv/time_pause_state.h"

#include <imgui.h>

#include <string_view>

namespace Zo::KV9RudiVeruv {

bool g_cameraControlEnabled = false;
bool g_cameraCodePatched = false;

namespace {

void drawUsageNotes() {
    ImGui::TextUnformatted("因为某些未知的原因，快进播放录像时不一定能成功停止时间。");
    ImGui::TextUnformatted("你仍然可以这么尝试（指多点几次），但我不保证他一定生效。");
    ImGui::TextUnformatted("全屏模式下请避免切换屏幕（退回桌面），可能会导致崩溃。");
    ImGui::TextUnformatted("如果你遇到了无法载入遭遇战的情况，请先尝试“时间恢复”按钮。");
    ImGui::TextUnformatted("插件支持-win等特殊启动项，但不保证支持其他窗口化软件。");
    ImGui::NewLine();
    ImGui::TextUnformatted("Good Luck Have Fun!");
}

// Resuming is always possible; pausing only where the game state allows it.
void drawPauseButton() {
    const bool paused = g_rudiVeruvd.load();
    if (!ImGui::Button(paused ? "时间恢复！" : "时间停止！")) return;
    if (g_rudiVeruvAllowed || paused) {
        appendOutputLog(paused ? "Vellox关闭！" : "Vellox启动！");
        togglePause();
    } else {
        appendPauseRefusal();
    }
}

void drawFeedbackButton() {
    ImGui::SameLine(0.0f, -1.0f);
    if (!ImGui::Button("反馈")) return;
    appendOutputLog("遇到问题或有建议，请在 Vellox 项目的问题跟踪（issue tracker）中提交。");
    appendOutputLog("请写明游戏是原版还是资料片，以及出问题之前做了哪些操作。");
    appendOutputLog("如果可以，请附上这个输出窗口中与问题有关的几行内容。");
    appendOutputLog("谢谢你的反馈！");
}

// The checkbox shows whether a target is set; switching it on starts from a target of 0.1 s.
bool drawFastForwardSwitch() {
    bool toTarget = g_fastForwardTarget > 0.0f;
    if (ImGui::Checkbox("自动快进至目标时间", &toTarget)) {
        if (toTarget) {
            g_fastForwardTarget = g_fastForwardTarget > 0.1f ? g_fastForwardTarget : 0.1f;
        } else {
            g_fastForwardTarget = -1.0f;
        }
    }
    return toTarget;
}

void drawFastForward() {
    ImGui::Separator();
    ImGui::TextUnformatted("快进功能");
    ImGui::Text("当前游戏时间 %.2f （逻辑帧 %d）", g_gameTime, g_logicFrame);
    const char* start = "快进";
    if (drawFastForwardSwitch()) {
        ImGui::InputFloat("目标时间", &g_fastForwardTarget, 0.0f, 0.0f, "%.3f");
        if (g_gameTime >= static_cast<double>(g_fastForwardTarget)) {
            ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 1.0f, 0.5f, 1.0f));
            ImGui::TextWrapped("坐过站了！假如要使用自动快进功能，请重新加载录像，或者修改目标时间");
            ImGui::PopStyleColor();
            start = nullptr;
        } else {
            start = g_runFast.load() ? nullptr : "快进至目标时间";
        }
    }
    if (g_runFast.load()) {
        if (ImGui::Button("取消快进")) g_runFast.store(false);
    } else if (start != nullptr && ImGui::Button(start)) {
        // A paused game would not run fast.
        g_rudiVeruvd.exchange(false);
        g_runFast.exchange(true);
    }
}

void drawCameraControl(const GameRenderEdge& game) {
    ImGui::Separator();
    ImGui::Checkbox("启用摄像机操作", &g_cameraControlEnabled);
    if (!g_cameraControlEnabled) return;
    if (!g_cameraCodePatched) {
        g_cameraCodePatched = true;  // also when the patch fails: it is not tried again
        game.patchCameraCode();
    }
    drawHotkeyInput("播放动画快捷键 Ctrl+", &g_hotkeyAnimation);
    drawRenderSettings(game);
}

void drawConfigStatus() {
    if (g_configStatusText.empty()) return;
    ImGui::Separator();
    ImGui::TextWrapped("%s", g_configStatusText.c_str());
    ImGui::TextWrapped("%s", g_configStatusDetail.c_str());
    if (ImGui::Button("隐藏")) g_configStatusText.clear();
    ImGui::Separator();
}

}  // namespace

void drawMainWindowContents(const GameRenderEdge& game) {
    drawUsageNotes();
    drawHotkeyInput("隐藏插件快捷键 Ctrl+", &g_hotkeyDisplay);
    drawHotkeyInput("时停快捷键 Ctrl+", &g_hotkeyPause);
    drawPauseButton();
    drawFeedbackButton();
    drawFastForward();
    drawCameraControl(game);
    drawConfigStatus();
    drawOutputLog();
}

void drawMainWindow(const GameRenderEdge& game) {
    if (ImGui::Begin(kMainWindowTitle, nullptr, 0)) drawMainWindowContents(game);
    ImGui::End();
}

}  // namespace Zo::KV9RudiVeruv
