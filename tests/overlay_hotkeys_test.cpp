#include "overlay/camera_profile.h"
#include "overlay/hotkey_letters.h"
#include "overlay/hotkeys.h"
#include "overlay/main_window.h"
#include "overlay/output_log.h"
#include "overlay/overlay_state.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

const char* nameOf(HotkeyAction action) {
    switch (action) {
    case HotkeyAction::None: return "None";
    case HotkeyAction::ToggleOverlay: return "ToggleOverlay";
    case HotkeyAction::TogglePause: return "TogglePause";
    case HotkeyAction::RefusePause: return "RefusePause";
    case HotkeyAction::ToggleAnimation: return "ToggleAnimation";
    }
    return "?";
}

TEST(HotkeyMatch, TestsDisplayThenPauseThenAnimationAndNeverMatchesZero) {
    struct Case {
        const char* what;
        uint8_t key;
        HotkeyContext context;  // display, pause, animation, pause allowed, camera control
        HotkeyAction expected;
    };
    const Case cases[] = {
        {"display", 'P', {'P', 'O', 'A', false, false}, HotkeyAction::ToggleOverlay},
        {"pause, allowed", 'O', {'P', 'O', 'A', true, false}, HotkeyAction::TogglePause},
        {"pause, not allowed", 'O', {'P', 'O', 'A', false, true}, HotkeyAction::RefusePause},
        {"animation, allowed and camera control", 'A', {'P', 'O', 'A', true, true},
         HotkeyAction::ToggleAnimation},
        {"animation without camera control", 'A', {'P', 'O', 'A', true, false},
         HotkeyAction::None},
        {"animation without pause allowed", 'A', {'P', 'O', 'A', false, true},
         HotkeyAction::None},
        {"a letter of no hotkey", 'X', {'P', 'O', 'A', true, true}, HotkeyAction::None},
        {"key 0 against hotkeys of 0", 0, {0, 0, 0, true, true}, HotkeyAction::None},
        {"all hotkeys 0", 'P', {0, 0, 0, true, true}, HotkeyAction::None},
        {"display and pause on one letter: display wins", 'P', {'P', 'P', 'A', true, true},
         HotkeyAction::ToggleOverlay},
        {"pause and animation on one letter: pause wins", 'A', {'P', 'A', 'A', true, true},
         HotkeyAction::TogglePause},
        {"refused pause still wins over animation", 'A', {'P', 'A', 'A', false, true},
         HotkeyAction::RefusePause},
        {"display off, pause on the same letter acts", 'P', {0, 'P', 'A', true, true},
         HotkeyAction::TogglePause},
        {"lower case is not the letter's key", 'p', {'P', 'O', 'A', true, true},
         HotkeyAction::None},
        {"a digit hotkey", '9', {'P', '9', 'A', true, true}, HotkeyAction::TogglePause},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_STREQ(nameOf(matchHotkey(c.key, c.context)), nameOf(c.expected));
    }
}

TEST(HotkeyMatch, OnlyTheAnimationHotkeyLetsTheKeyThrough) {
    const std::pair<HotkeyAction, bool> cases[] = {
        {HotkeyAction::None, false},          {HotkeyAction::ToggleOverlay, true},
        {HotkeyAction::TogglePause, true},    {HotkeyAction::RefusePause, true},
        {HotkeyAction::ToggleAnimation, false},
    };
    for (const auto& [action, consumed] : cases) {
        SCOPED_TRACE(nameOf(action));
        EXPECT_EQ(hotkeyConsumesKey(action), consumed);
    }
}

// The shared state the hotkeys act on, set for one test and put back afterwards.
class CtrlKey : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard lock(g_stateMutex);
        g_outputLog.clear();
        g_hotkeyDisplay = 'P';
        g_hotkeyPause = 'O';
        g_hotkeyAnimation = 'A';
    }

    static std::vector<std::string> logLines() {
        std::lock_guard lock(g_stateMutex);
        std::vector<std::string> lines;
        for (const OutputLogEntry& entry : g_outputLog) lines.push_back(entry.text);
        return lines;
    }

    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
};

TEST_F(CtrlKey, DisplayHotkeyTogglesTheOverlayAndKeepsTheKey) {
    EXPECT_TRUE(handleCtrlKey('P'));
    EXPECT_FALSE(g_overlayVisible);
    EXPECT_TRUE(handleCtrlKey('P'));
    EXPECT_TRUE(g_overlayVisible);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(CtrlKey, AllowedPauseTogglesThePauseWithOneLineEachTime) {
    g_rudiVeruvAllowed = true;
    EXPECT_TRUE(handleCtrlKey('O'));
    EXPECT_TRUE(g_rudiVeruvd);
    EXPECT_TRUE(handleCtrlKey('O'));
    EXPECT_FALSE(g_rudiVeruvd);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Vellox状态更改！", "Vellox状态更改！"}));
}

TEST_F(CtrlKey, RefusedPauseLogsThreeLinesAndLeavesThePauseAsItWas) {
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        g_rudiVeruvd = paused;
        EXPECT_TRUE(handleCtrlKey('O'));
        EXPECT_EQ(g_rudiVeruvd, paused);
    }
    const std::vector<std::string> refusal = {"你无法在下列状态中进行时间暂停：", "1.多人游戏",
                                              "2.游戏菜单"};
    std::vector<std::string> twice = refusal;
    twice.insert(twice.end(), refusal.begin(), refusal.end());
    EXPECT_EQ(logLines(), twice);
    std::lock_guard lock(g_stateMutex);
    EXPECT_EQ(g_outputLog.front().text.size(), 48u);  // counted in bytes
    EXPECT_EQ(g_outputLog[1].text.size(), 14u);
}

TEST_F(CtrlKey, AnimationHotkeyTogglesOnlyWithPauseAllowedAndCameraControlAndPassesTheKey) {
    struct Case {
        bool allowed;
        bool cameraControl;
        bool toggles;
    };
    const Case cases[] = {{true, true, true}, {true, false, false}, {false, true, false},
                          {false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.allowed) + " " + std::to_string(c.cameraControl));
        g_rudiVeruvAllowed = c.allowed;
        g_cameraControlEnabled = c.cameraControl;
        g_currentProfile.animationPlaying = false;
        EXPECT_FALSE(handleCtrlKey('A'));
        EXPECT_EQ(g_currentProfile.animationPlaying, c.toggles);
    }
    EXPECT_TRUE(logLines().empty());
    EXPECT_TRUE(g_overlayVisible);
}

}  // namespace
