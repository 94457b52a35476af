#include "overlay/timed_events_window.h"

#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"
#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

class TimedEventsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_currentProfile = CameraProfile{};
        g_gameTime = 0.0;
        g_logicFrame = 0;
    }
    static void draw() { drawTimedEventsWindowContents(); }

    std::lock_guard<std::recursive_mutex> m_lock{g_stateMutex};
    HeadlessToolkit m_toolkit{ImVec2(800.0f, 600.0f),
                              {"当前游戏时间 （逻辑帧）当前动画时间个事件已被触发定时触发的事件删",
                               "添加新的定时事件游戏时间相对于摄像机动画游戏开始后第摄像机动画第",
                               "第一个事件后第秒抵达目标时间后：启用时停切换时停状态切换动画状态添加"}};
    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
};

// The window's text as the toolkit's log capture writes it, with "\n" line ends.
std::string shownText(HeadlessToolkit& toolkit, const std::function<void()>& draw) {
    std::string text = toolkit.frameText(draw);
    std::erase(text, '\r');
    return text;
}

TEST_F(TimedEventsWindow, ShowsEachEventInTheWordingOfItsCase) {
    struct Case {
        const char* what;
        std::vector<TimedEvent> events;
        std::string expected;
    };
    const Case cases[] = {
        {"a first event at a game time, fired, and a later event",
         {TimedEvent{.gameTime = 30.0f, .relativeTime = 3.0f, .willSwitchPause = true,
                     .fired = true},
          TimedEvent{.relativeTime = 5.0f, .willSwitchAnimation = true}},
         "当前游戏时间 30.00 （逻辑帧 450）\n"
         "当前动画时间 1.25\n"
         "[x] 1 个事件已被触发\n"
         "--------------------------------\n"
         "\n"
         "定时触发的事件 #0 [ 删 ] 定时触发的事件 #0\n"
         "(x) 游戏时间 ( ) 相对于摄像机动画\n"
         "游戏开始后第 { 30.00 } 秒 游戏开始后第\n"
         "[x] 抵达目标时间后：\n"
         "[x] 启用时停\n"
         "[ ] 切换动画状态\n"
         "--------------------------------\n"
         "\n"
         "定时触发的事件 #1 [ 删 ] 定时触发的事件 #1\n"
         "第一个事件后第 { 5.00 } 秒 第一个事件后第\n"
         "[ ] 抵达目标时间后：\n"
         "[ ] 切换时停状态\n"
         "[x] 切换动画状态\n"
         "--------------------------------\n"
         "添加新的事件\n"
         "--------------------------------\n"
         "添加新的定时事件\n"
         "第一个事件后第 { 1.00 } 秒 第一个事件后第\n"
         "抵达目标时间后：\n"
         "[ ] 切换时停状态\n"
         "[ ] 切换动画状态\n"
         "[ 添加 ]"},
        {"a first event on the animation",
         {TimedEvent{.gameTime = -1.0f, .relativeTime = 2.5f}},
         "当前游戏时间 30.00 （逻辑帧 450）\n"
         "当前动画时间 1.25\n"
         "[ ] 0 个事件已被触发\n"
         "--------------------------------\n"
         "\n"
         "定时触发的事件 #0 [ 删 ] 定时触发的事件 #0\n"
         "( ) 游戏时间 (x) 相对于摄像机动画\n"
         "摄像机动画第 { 2.50 } 秒 摄像机动画第\n"
         "[ ] 抵达目标时间后：\n"
         "[ ] 切换时停状态\n"
         "[ ] 切换动画状态\n"
         "--------------------------------\n"
         "添加新的事件\n"
         "--------------------------------\n"
         "添加新的定时事件\n"
         "第一个事件后第 { 1.00 } 秒 第一个事件后第\n"
         "抵达目标时间后：\n"
         "[ ] 切换时停状态\n"
         "[ ] 切换动画状态\n"
         "[ 添加 ]"},
        {"no events: the add block prepares the first one",
         {},
         "当前游戏时间 30.00 （逻辑帧 450）\n"
         "当前动画时间 1.25\n"
         "[ ] 0 个事件已被触发\n"
         "--------------------------------\n"
         "添加新的事件\n"
         "--------------------------------\n"
         "添加新的定时事件\n"
         "( ) 游戏时间 (x) 相对于摄像机动画\n"
         "摄像机动画第 { 1.00 } 秒 摄像机动画第\n"
         "抵达目标时间后：\n"
         "[ ] 切换时停状态\n"
         "[ ] 切换动画状态\n"
         "[ 添加 ]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_currentProfile.timedEvents = c.events;
        g_gameTime = 30.0;
        g_logicFrame = 450;
        g_currentProfile.animationTime = 1.25f;
        EXPECT_EQ(shownText(m_toolkit, draw), c.expected);
    }
}

TEST_F(TimedEventsWindow, TitlesAndPrefixesAreCentredOnTheirWidgets) {
    g_currentProfile.timedEvents = {TimedEvent{.gameTime = 30.0f}};
    const ImGuiWindow* window = m_toolkit.frame(draw);
    // A button's label and an input's own label sit level with the text inside their frames.
    EXPECT_EQ(m_toolkit.textRect("定时触发的事件 #0").GetCenter().y,
              m_toolkit.textRect("删").GetCenter().y);
    EXPECT_EQ(m_toolkit.textRect("游戏开始后第").GetCenter().y,
              m_toolkit.textRect("秒").GetCenter().y);
    // The time box takes the rest of the line but for its label's width.
    EXPECT_EQ(m_toolkit.textRect("秒").Min.x, window->ContentRegionRect.Max.x -
                                                   ImGui::CalcTextSize("秒").x +
                                                   ImGui::GetStyle().ItemInnerSpacing.x);
}

TEST_F(TimedEventsWindow, DeleteErasesItsEventAndTheLaterOnesMoveUp) {
    g_currentProfile.timedEvents = {TimedEvent{.relativeTime = 1.0f},
                                    TimedEvent{.relativeTime = 2.0f},
                                    TimedEvent{.relativeTime = 3.0f}};
    m_toolkit.clickText("删", draw, 1);
    const std::vector<TimedEvent>& events = g_currentProfile.timedEvents;
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].relativeTime, 1.0f);
    EXPECT_EQ(events[1].relativeTime, 3.0f);
}

TEST_F(TimedEventsWindow, AddAppendsTheTemplateAndMovesItsTimeOnBySecond) {
    g_currentProfile.newEvent.willSwitchPause = true;
    m_toolkit.clickText("添加", draw, 2);  // after "添加新的事件" and "添加新的定时事件"
    m_toolkit.clickText("添加", draw, 2);
    const std::vector<TimedEvent>& events = g_currentProfile.timedEvents;
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].relativeTime, 1.0f);
    EXPECT_EQ(events[1].relativeTime, 2.0f);
    EXPECT_TRUE(events[1].willSwitchPause);
    EXPECT_EQ(events[1].gameTime, -1.0f);
    EXPECT_EQ(g_currentProfile.newEvent.relativeTime, 3.0f);
}

TEST_F(TimedEventsWindow, TheFiredCountResetsTheRunEitherWay) {
    struct Case {
        bool firstFired;
        const char* label;
    };
    const Case cases[] = {{true, "1 个事件已被触发"}, {false, "0 个事件已被触发"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        g_currentProfile.timedEvents = {TimedEvent{.fired = c.firstFired}, TimedEvent{}};
        g_currentProfile.eventRunStart = std::chrono::steady_clock::now();
        m_toolkit.clickText(c.label, draw);
        EXPECT_FALSE(g_currentProfile.timedEvents[0].fired);
        EXPECT_FALSE(g_currentProfile.eventRunStart.has_value());
    }
}

TEST_F(TimedEventsWindow, TheModeButtonsSetTheFirstEventsGameTime) {
    struct Case {
        float gameTime;
        const char* button;
        int occurrence;
        float expected;
    };
    // "游戏时间" is drawn first in the line "当前游戏时间 ...".
    const Case cases[] = {
        {30.0f, "游戏时间", 1, 1.0f},
        {-1.0f, "游戏时间", 1, 1.0f},
        {30.0f, "相对于摄像机动画", 0, -1.0f},
        {0.0f, "相对于摄像机动画", 0, -1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        SCOPED_TRACE(c.gameTime);
        g_currentProfile.timedEvents = {TimedEvent{.gameTime = c.gameTime}};
        m_toolkit.clickText(c.button, draw, c.occurrence);
        EXPECT_EQ(g_currentProfile.timedEvents[0].gameTime, c.expected);
    }
}

TEST_F(TimedEventsWindow, OnlyTheFirstEventKeepsAGameTime) {
    g_currentProfile.timedEvents = {TimedEvent{.gameTime = 30.0f}, TimedEvent{.gameTime = 50.0f}};
    m_toolkit.frame(draw);
    EXPECT_EQ(g_currentProfile.timedEvents[0].gameTime, 30.0f);
    EXPECT_EQ(g_currentProfile.timedEvents[1].gameTime, -1.0f);
}

// Clicks into the time box left of the `occurrence`-th label "秒" and types `text`.
void typeTime(HeadlessToolkit& toolkit, int occurrence, const std::string& text,
              const std::function<void()>& draw) {
    toolkit.frame(draw);
    const ImRect label = toolkit.textRect("秒", occurrence);
    toolkit.clickAt(ImVec2(label.Min.x - 40.0f, label.GetCenter().y), draw);
    toolkit.type(text, draw);
}

TEST_F(TimedEventsWindow, ATypedTimeIsNeverNegative) {
    struct Case {
        const char* typed;
        float expected;
    };
    const Case cases[] = {{"-3", 0.0f}, {"0", 0.0f}, {"7.5", 7.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        g_currentProfile.timedEvents = {TimedEvent{.gameTime = 30.0f}, TimedEvent{}};
        typeTime(m_toolkit, 1, c.typed, draw);
        EXPECT_EQ(g_currentProfile.timedEvents[1].relativeTime, c.expected);
        m_toolkit.clickAt(ImVec2(700.0f, 590.0f), draw);  // leave the box
    }
}

// "1e39" reads as infinity, "*1e39" on a zero as NaN: refused, the time stays as it was.
TEST_F(TimedEventsWindow, ATypedTimeThatIsNotFiniteIsRefused) {
    struct Case {
        int event;
        const char* typed;
        float gameTime;
        float relativeTime;
    };
    const Case cases[] = {{0, "1e39", 30.0f, 1.0f}, {0, "nan", 30.0f, 1.0f},
                          {1, "1e39", -1.0f, 2.0f}, {1, "*1e39", -1.0f, 2.0f},
                          {1, "4", -1.0f, 4.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        g_currentProfile.timedEvents = {TimedEvent{.gameTime = 30.0f},
                                        TimedEvent{.relativeTime = 2.0f}};
        typeTime(m_toolkit, c.event, c.typed, draw);
        const TimedEvent& event = g_currentProfile.timedEvents[c.event];
        EXPECT_EQ(event.gameTime, c.gameTime);
        EXPECT_EQ(event.relativeTime, c.relativeTime);
        m_toolkit.clickAt(ImVec2(700.0f, 590.0f), draw);  // leave the box
    }
}

TEST_F(TimedEventsWindow, AFirstGameTimeOfZeroOrLessTurnsToTheAnimationMode) {
    g_currentProfile.timedEvents = {TimedEvent{.gameTime = 30.0f}};
    typeTime(m_toolkit, 0, "-2", draw);
    EXPECT_EQ(g_currentProfile.timedEvents[0].gameTime, -2.0f);
    const std::string shown = shownText(m_toolkit, draw);
    EXPECT_NE(shown.find("( ) 游戏时间 (x) 相对于摄像机动画\n摄像机动画第"), std::string::npos);
}

TEST_F(TimedEventsWindow, TheSwitchesChangeTheirEventAndTheFiredBoxNothing) {
    struct Case {
        const char* label;
        int occurrence;
        bool TimedEvent::*field;
    };
    const Case cases[] = {
        {"启用时停", 0, &TimedEvent::willSwitchPause},
        {"切换动画状态", 0, &TimedEvent::willSwitchAnimation},
        {"抵达目标时间后：", 0, &TimedEvent::fired},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const bool before : {false, true}) {
            g_currentProfile.timedEvents = {TimedEvent{.gameTime = 30.0f}};
            g_currentProfile.timedEvents[0].*c.field = before;
            m_toolkit.clickText(c.label, draw, c.occurrence);
            const bool toggles = c.field != &TimedEvent::fired;
            EXPECT_EQ(g_currentProfile.timedEvents[0].*c.field, toggles ? !before : before);
        }
    }
}

}  // namespace
