#include "overlay/main_window.h"

#include "overlay/camera_config.h"
#include "overlay/hotkey_letters.h"
#include "overlay/output_log.h"
#include "overlay/render_settings_panel.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/fake_game_render.h"
#include "tests/folder_state_guard.h"
#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

const std::vector<std::string> kRefusal = {"你无法在下列状态中进行时间暂停：", "1.多人游戏",
                                           "2.游戏菜单"};

std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    for (const OutputLogEntry& entry : g_outputLog) lines.push_back(entry.text);
    return lines;
}

// The lines of a frame's text, without the spaces around them (the toolkit ends a line with
// "\r\n" on Windows).
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto first = line.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        lines.push_back(line.substr(first, line.find_last_not_of(' ') - first + 1));
    }
    return lines;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& candidate : lines) {
        if (candidate == line) return true;
    }
    return false;
}

// A button alone on its line, as the frame's text shows it.
std::string buttonLine(const std::string& label) { return "[ " + label + " ]"; }

// Each test starts from the state of a fresh process, with g_stateMutex held as the frame holds
// it; the process's state comes back afterwards.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_outputLog.clear();
        g_rudiVeruvd = false;
        g_runFast = false;
        g_gameTime = 0.0;
        g_logicFrame = 0;
        g_fastForwardTarget = -1.0f;
        g_rudiVeruvAllowed = false;
        g_cameraControlEnabled = g_cameraCodePatched = false;
        g_hideHealthBars = g_hideSilhouettes = false;
        g_hotkeyDisplay = g_hotkeyPause = g_hotkeyAnimation = 0;
        g_configStatusText.clear();
        g_configStatusDetail.clear();
    }

    void draw() { drawMainWindowContents(m_edge); }
    std::vector<std::string> frameLines() {
        return linesOf(m_toolkit.frameText([&] { draw(); }));
    }
    void click(const std::string& text, int occurrence = 0) {
        m_toolkit.clickText(text, [&] { draw(); }, occurrence);
    }

    std::unique_lock<std::recursive_mutex> m_lock{g_stateMutex};
    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
    FakeGameRender m_game;
    GameRenderEdge m_edge = m_game.edge();
    HeadlessToolkit m_toolkit{
        ImVec2(800.0f, 1600.0f),
        {"因为某些未知的原因，快进播放录像时不一定能成功停止时间。",
         "你仍然可以这么尝试（指多点几次），但我不保证他一定生效。",
         "全屏模式下请避免切换屏幕（退回桌面），可能会导致崩溃。",
         "如果你遇到了无法载入遭遇战的情况，请先尝试“时间恢复”按钮。",
         "插件支持-win等特殊启动项，但不保证支持其他窗口化软件。", "隐藏插件快捷键 时停",
         "时间恢复！停止反馈快进功能当前游戏时间 （逻辑帧）自动快进至目标时间取消",
         "坐过站了！假如要使用自动快进功能，请重新加载录像，或者修改目标时间",
         "启用摄像机操作播放动画快捷键不显示血条和维修标志建筑背后的单位剪影",
         "阴影贴图大小（重新开始一局游戏之后生效）最大阴影距离光照颜色",
         "点击右侧有颜色的按钮可以打开调色板；在左侧输入框按再单击左键就可以输入大于或者小于的数值",
         "主光源颜色调色颜色环境光隐藏"}};
};

TEST_F(MainWindow, ThePauseButtonPausesOnlyWhereAllowedAndAlwaysResumes) {
    struct Case {
        bool allowed;
        bool paused;
        const char* button;
        std::vector<std::string> lines;
        bool pausedAfter;
    };
    const Case cases[] = {
        {true, false, "时间停止！", {"Vellox启动！"}, true},
        {true, true, "时间恢复！", {"Vellox关闭！"}, false},
        {false, false, "时间停止！", kRefusal, false},
        {false, true, "时间恢复！", {"Vellox关闭！"}, false},
    };
    for (const Case& c : cases) {
        g_outputLog.clear();
        g_rudiVeruvAllowed = c.allowed;
        g_rudiVeruvd = c.paused;
        click(c.button);
        EXPECT_EQ(logLines(), c.lines) << c.button << " allowed " << c.allowed;
        EXPECT_EQ(g_rudiVeruvd.load(), c.pausedAfter) << c.button << " allowed " << c.allowed;
    }
}

TEST_F(MainWindow, FeedbackAppendsFourLines) {
    click("反馈");
    EXPECT_EQ(g_outputLog.size(), 4u);
    EXPECT_FALSE(g_rudiVeruvd.load());
}

TEST_F(MainWindow, TheTargetSwitchSetsATenthOfASecondOrNoTarget) {
    struct Case {
        float before;
        float after;
    };
    const Case cases[] = {{-1.0f, 0.1f}, {0.0f, 0.1f}, {-5.0f, 0.1f}, {12.0f, -1.0f},
                          {0.05f, -1.0f}};
    for (const Case& c : cases) {
        g_fastForwardTarget = c.before;
        click("自动快进至目标时间");
        EXPECT_EQ(g_fastForwardTarget, c.after) << "from " << c.before;
    }
}

TEST_F(MainWindow, ATypedTargetStaysAsTyped) {
    click("自动快进至目标时间");
    ASSERT_EQ(g_fastForwardTarget, 0.1f);
    // The field stands left of its label; the first "目标时间" is the checkbox's.
    const ImRect label = m_toolkit.textRect("目标时间", 1);
    m_toolkit.clickAt(ImVec2(label.Min.x - 40.0f, label.GetCenter().y), [&] { draw(); });
    m_toolkit.type("95.25", [&] { draw(); });
    for (int frame = 0; frame < 3; ++frame) m_toolkit.frame([&] { draw(); });
    EXPECT_EQ(g_fastForwardTarget, 95.25f);
    EXPECT_TRUE(hasLine(frameLines(), "[x] 自动快进至目标时间"));
}

TEST_F(MainWindow, TheStartButtonFollowsTheTargetAndTheRunningFastForward) {
    const char* kWarning = "坐过站了！假如要使用自动快进功能，请重新加载录像，或者修改目标时间";
    struct Case {
        const char* what;
        double gameTime;
        float target;
        bool runFast;
        bool warning;
        std::vector<const char*> offered;
        std::vector<const char*> absent;
    };
    const Case cases[] = {
        {"no target", 30.0, -1.0f, false, false, {"快进"}, {"快进至目标时间", "取消快进"}},
        {"target ahead", 30.0, 40.0f, false, false, {"快进至目标时间"}, {"快进", "取消快进"}},
        {"target reached", 40.0, 40.0f, false, true, {}, {"快进", "快进至目标时间", "取消快进"}},
        {"target passed, running", 41.0, 40.0f, true, true, {"取消快进"},
         {"快进", "快进至目标时间"}},
        {"target ahead, running", 30.0, 40.0f, true, false, {"取消快进"},
         {"快进", "快进至目标时间"}},
        {"no target, running", 30.0, 0.0f, true, false, {"取消快进"}, {"快进"}},
    };
    for (const Case& c : cases) {
        g_gameTime = c.gameTime;
        g_fastForwardTarget = c.target;
        g_runFast = c.runFast;
        const std::vector<std::string> lines = frameLines();
        EXPECT_EQ(hasLine(lines, kWarning), c.warning) << c.what;
        for (const char* button : c.offered) {
            EXPECT_TRUE(hasLine(lines, buttonLine(button))) << c.what << ": " << button;
        }
        for (const char* button : c.absent) {
            EXPECT_FALSE(hasLine(lines, buttonLine(button))) << c.what << ": " << button;
        }
    }
}

TEST_F(MainWindow, StartingFastForwardEndsThePauseAndCancellingStopsIt) {
    g_rudiVeruvAllowed = true;
    g_rudiVeruvd = true;
    g_gameTime = 3.0;
    g_logicFrame = 45;
    EXPECT_TRUE(hasLine(frameLines(), "当前游戏时间 3.00 （逻辑帧 45）"));
    click("快进", 3);  // after the first note's, the heading's and the checkbox's
    EXPECT_FALSE(g_rudiVeruvd.load());
    EXPECT_TRUE(g_runFast.load());
    click("取消快进");
    EXPECT_FALSE(g_runFast.load());
    EXPECT_TRUE(g_outputLog.empty());
}

TEST_F(MainWindow, CameraControlPatchesTheGameOnceAndShowsTheRenderSettings) {
    EXPECT_FALSE(hasLine(frameLines(), "不显示血条和维修标志"));
    click("启用摄像机操作");
    EXPECT_TRUE(g_cameraControlEnabled);
    EXPECT_EQ(m_game.patches, 1);
    EXPECT_TRUE(hasLine(frameLines(), "[ ] 不显示血条和维修标志"));
    click("启用摄像机操作");
    EXPECT_FALSE(g_cameraControlEnabled);
    click("启用摄像机操作");
    EXPECT_TRUE(g_cameraControlEnabled);
    EXPECT_EQ(m_game.patches, 1);
    EXPECT_TRUE(g_cameraCodePatched);
}

TEST_F(MainWindow, TheDisplaySwitchesReachTheGameThroughTheFrameWrite) {
    struct Case {
        const char* clicked;
        std::pair<bool, bool> written;  // health bars, silhouettes drawn
    };
    const Case cases[] = {
        {nullptr, {true, true}},
        {"不显示血条和维修标志", {false, true}},
        {"不显示建筑背后的单位剪影", {false, false}},
        {"不显示血条和维修标志", {true, false}},
    };
    g_cameraControlEnabled = true;
    for (const Case& c : cases) {
        if (c.clicked != nullptr) click(c.clicked);
        m_game.displayFlags.reset();
        writeDisplaySwitches(m_edge);
        EXPECT_EQ(m_game.displayFlags, c.written) << (c.clicked ? c.clicked : "none");
    }
    m_game.displayFlags.reset();
    m_toolkit.frame([&] { draw(); });
    EXPECT_FALSE(m_game.displayFlags) << "the window itself writes nothing";
}

TEST_F(MainWindow, TheShadowSettingsShowAndWriteTheGamesValues) {
    g_cameraControlEnabled = true;
    const std::string heading = "阴影贴图大小（重新开始一局游戏之后生效） ";
    EXPECT_TRUE(hasLine(frameLines(), heading + "( ) 1024 (x) 2048 ( ) 4096 ( ) 8192"));
    m_game.shadowMapSize = 4096;  // the game changed it
    EXPECT_TRUE(hasLine(frameLines(), heading + "( ) 1024 ( ) 2048 (x) 4096 ( ) 8192"));
    click("8192");
    EXPECT_EQ(m_game.shadowMapSize, 8192);
    EXPECT_TRUE(hasLine(frameLines(), "{ 450.000 } 最大阴影距离"));
}

TEST_F(MainWindow, ALightColourIsWrittenOnlyWhenEditedAndWhereTheGameHoldsItNow) {
    g_cameraControlEnabled = true;
    m_toolkit.frame([&] { draw(); });
    for (const auto& [color, accesses] : m_game.lightAccesses) {
        EXPECT_EQ(accesses, 1u) << "read once, not written";
    }
    // Drag the main light's red field 30 steps to the right.
    const ImVec2 red = m_toolkit.textRect("R:").GetCenter();
    ImGuiIO& io = ImGui::GetIO();
    m_game.lightAccesses.clear();
    io.MousePos = red;
    io.MouseDown[0] = true;
    m_toolkit.frame([&] { draw(); });
    io.MousePos = ImVec2(red.x + 30.0f, red.y);
    m_toolkit.frame([&] { draw(); });
    io.MouseDown[0] = false;
    m_toolkit.frame([&] { draw(); });
    EXPECT_EQ(m_game.lightAccesses[LightColor::Main], 4u) << "three reads, one write";
    EXPECT_EQ(m_game.lightAccesses[LightColor::Ambient], 3u);
    const auto& main = m_game.lightBlocks[LightColor::Main];
    // The write of the second frame went to the block of its second access.
    EXPECT_NEAR(main[2][0], 81.0f / 255.0f, 1e-6f);
    EXPECT_EQ(main[2][1], 0.4f);
    EXPECT_EQ(main[2][2], 0.6f);
    for (const std::size_t untouched : {0u, 1u, 3u}) EXPECT_EQ(main[untouched][0], 0.2f);
}

TEST_F(MainWindow, WithoutLightingInTheGameTheColourEditorsAreLeftOut) {
    g_cameraControlEnabled = true;
    m_game.hasLighting = false;
    const std::vector<std::string> lines = frameLines();
    EXPECT_TRUE(hasLine(lines, "光照颜色"));
    for (const std::string& line : lines) EXPECT_EQ(line.find("R:"), std::string::npos) << line;
}

TEST_F(MainWindow, HidingTheStatusClearsOnlyItsText) {
    g_configStatusText = "Loaded the camera configuration";
    g_configStatusDetail = "C:/Game/Vellox.dll.camera_config.txt";
    std::vector<std::string> lines = frameLines();
    EXPECT_TRUE(hasLine(lines, g_configStatusText));
    EXPECT_TRUE(hasLine(lines, g_configStatusDetail));
    click("隐藏", 1);  // the first is in the display hotkey's label
    EXPECT_TRUE(g_configStatusText.empty());
    EXPECT_EQ(g_configStatusDetail, "C:/Game/Vellox.dll.camera_config.txt");
    lines = frameLines();
    EXPECT_FALSE(hasLine(lines, g_configStatusDetail));
    EXPECT_FALSE(hasLine(lines, buttonLine("隐藏")));
}

TEST_F(MainWindow, TheOutputLogComesLast) {
    const std::string line = "the newest line";
    appendOutputLog(line.data(), line.size());
    g_configStatusText = "status";
    g_cameraControlEnabled = true;
    const std::vector<std::string> lines = frameLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "因为某些未知的原因，快进播放录像时不一定能成功停止时间。");
    EXPECT_EQ(lines.back(), line);
}

}  // namespace
