#include "overlay/timed_events.h"

#include "rudiveruv/time_pause_state.h"
#include "tests/fake_monotonic_clock.h"
#include "tests/folder_state_guard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;
using namespace std::chrono_literals;

namespace {

TimedEvent atGameTime(float gameTime) { return TimedEvent{.gameTime = gameTime}; }

TimedEvent afterSeconds(float relativeTime) {
    return TimedEvent{.gameTime = -1.0f, .relativeTime = relativeTime};
}

TimedEvent switching(TimedEvent event, bool pause, bool animation) {
    event.willSwitchPause = pause;
    event.willSwitchAnimation = animation;
    return event;
}

// Each test runs on its own profile and time-pause state, under the state lock as the overlay
// frame holds it, on a clock of its own; a game is under way (logic frame 600, 40 s).
class TimedEvents : public ::testing::Test {
protected:
    void SetUp() override {
        g_currentProfile = CameraProfile{};
        setGame(600);
        g_rudiVeruvd = false;
        g_runFast = false;
    }

    static void setGame(int logicFrame) {
        g_logicFrame = logicFrame;
        g_gameTime = logicFrame / 15.0;  // exact for the frames used here
    }
    static std::vector<TimedEvent>& events() { return g_currentProfile.timedEvents; }
    static std::vector<bool> firedFlags() {
        std::vector<bool> fired;
        for (const TimedEvent& event : events()) fired.push_back(event.fired);
        return fired;
    }

    std::lock_guard<std::recursive_mutex> m_lock{g_stateMutex};
    FakeMonotonicClock m_clock;
    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
};

TEST_F(TimedEvents, AnEmptyListStartsNoRun) {
    processTimedEvents(m_clock.clock());
    EXPECT_FALSE(g_currentProfile.eventRunStart.has_value());
    EXPECT_FALSE(g_rudiVeruvd);
    EXPECT_FALSE(g_runFast);
}

TEST_F(TimedEvents, AStartingGameOrReplayReArmsEveryEvent) {
    struct Case {
        int logicFrame;
        bool reArmed;
    };
    const Case cases[] = {{0, true}, {1, true}, {2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logicFrame);
        // Both fired, the first one's game time far ahead: nothing would fire anew.
        events() = {atGameTime(1000.0f), afterSeconds(1.0f)};
        for (TimedEvent& event : events()) event.fired = true;
        g_currentProfile.eventRunStart = m_clock.now();
        setGame(c.logicFrame);
        processTimedEvents(m_clock.clock());
        EXPECT_EQ(firedFlags(), std::vector<bool>(2, !c.reArmed));
        EXPECT_EQ(g_currentProfile.eventRunStart.has_value(), !c.reArmed);
    }
}

TEST_F(TimedEvents, AFirstEventOnTheAnimationWaitsForItToPlayThere) {
    struct Case {
        const char* what;
        bool playing;
        float animationTime;
        bool fires;
    };
    const Case cases[] = {
        {"stopped, past the time", false, 5.0f, false},
        {"playing, before the time", true, 0.99f, false},
        {"playing, on the time", true, 1.0f, true},
        {"playing, past the time", true, 2.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A later event due at once: it fires with the first or, before the run, not at all.
        events() = {afterSeconds(1.0f), afterSeconds(0.0f)};
        g_currentProfile.eventRunStart.reset();
        g_currentProfile.animationPlaying = c.playing;
        g_currentProfile.animationTime = c.animationTime;
        processTimedEvents(m_clock.clock());
        EXPECT_EQ(firedFlags(), std::vector<bool>(2, c.fires));
        EXPECT_EQ(g_currentProfile.eventRunStart.has_value(), c.fires);
    }
}

TEST_F(TimedEvents, AFirstEventAtAGameTimeComparesItWidenedToDouble) {
    struct Case {
        float eventTime;
        double gameTime;
        bool fires;
    };
    const Case cases[] = {
        {30.0f, 29.933332443237305, false},
        {30.0f, 30.0, true},
        {0.1f, 0.1, false},  // 0.1f is 0.10000000149011612
        {0.1f, 0.10000000149011612, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gameTime);
        events() = {atGameTime(c.eventTime)};
        g_currentProfile.eventRunStart.reset();
        g_gameTime = c.gameTime;
        processTimedEvents(m_clock.clock());
        EXPECT_EQ(events()[0].fired, c.fires);
    }
}

TEST_F(TimedEvents, ALaterEventFiresClockSecondsAfterTheFirstAlsoWhilePaused) {
    events() = {atGameTime(30.0f), switching(afterSeconds(5.0f), true, false)};
    g_rudiVeruvd = true;  // paused: game time stands at 30 s
    setGame(450);
    processTimedEvents(m_clock.clock());
    ASSERT_EQ(firedFlags(), (std::vector<bool>{true, false}));

    m_clock.advance(4999ms);
    processTimedEvents(m_clock.clock());
    EXPECT_EQ(firedFlags(), (std::vector<bool>{true, false}));
    m_clock.advance(1ms);
    processTimedEvents(m_clock.clock());
    EXPECT_EQ(firedFlags(), (std::vector<bool>{true, true}));
    EXPECT_FALSE(g_rudiVeruvd);  // it resumed the game
    EXPECT_EQ(g_gameTime, 30.0);
}

TEST_F(TimedEvents, ElapsedTimeIsReadOnceAFrame) {
    events() = {atGameTime(1.0f), afterSeconds(1.0f), afterSeconds(2.0f)};
    processTimedEvents(m_clock.clock());  // the run starts
    // From now on each read of the clock is a second later than the one before.
    m_clock.advanceOnEveryRead(1s);
    processTimedEvents(m_clock.clock());
    EXPECT_EQ(firedFlags(), (std::vector<bool>{true, true, false}));
    processTimedEvents(m_clock.clock());
    EXPECT_EQ(firedFlags(), (std::vector<bool>{true, true, true}));
}

TEST_F(TimedEvents, FiringSwitchesPauseAndAnimation) {
    struct State {
        bool paused;
        bool runFast;
        bool playing;
        bool operator==(const State&) const = default;
    };
    struct Case {
        const char* what;
        bool switchesPause;
        bool switchesAnimation;
        State before;
        State after;
    };
    const Case cases[] = {
        {"no switch: it only counts as fired", false, false, {false, true, false},
         {false, true, false}},
        {"a pause also ends the fast-forward", true, false, {false, true, false},
         {true, false, false}},
        {"a switch while paused only resumes", true, false, {true, true, false},
         {false, true, false}},
        {"the animation starts", false, true, {false, false, false}, {false, false, true}},
        {"the animation stops, the game resumes", true, true, {true, false, true},
         {false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        events() = {switching(atGameTime(10.0f), c.switchesPause, c.switchesAnimation)};
        g_currentProfile.eventRunStart.reset();
        g_rudiVeruvd = c.before.paused;
        g_runFast = c.before.runFast;
        g_currentProfile.animationPlaying = c.before.playing;
        processTimedEvents(m_clock.clock());
        EXPECT_TRUE(events()[0].fired);
        EXPECT_EQ((State{g_rudiVeruvd, g_runFast, g_currentProfile.animationPlaying}), c.after);
    }
}

// The game's threads read the two flags at any time: they never see time paused while the
// fast-forward is still on.
TEST_F(TimedEvents, APauseEndsTheFastForwardBeforeTimeStops) {
    events() = {switching(atGameTime(10.0f), true, false)};
    g_runFast = true;
    std::vector<bool> runFastWhenToggled;
    processTimedEvents(m_clock.clock(), [&runFastWhenToggled] {
        runFastWhenToggled.push_back(g_runFast);
        return togglePause();
    });
    EXPECT_EQ(runFastWhenToggled, (std::vector<bool>{false}));
    EXPECT_TRUE(g_rudiVeruvd);
}

TEST_F(TimedEvents, EachEventActsOncePerRunAndANewGameReArmsIt) {
    events() = {switching(atGameTime(10.0f), true, false),
                switching(afterSeconds(1.0f), false, true)};
    for (int frame = 0; frame < 3; ++frame) {
        processTimedEvents(m_clock.clock());
        m_clock.advance(1s);
    }
    EXPECT_TRUE(g_rudiVeruvd);
    EXPECT_TRUE(g_currentProfile.animationPlaying);

    setGame(1);
    processTimedEvents(m_clock.clock());
    EXPECT_EQ(firedFlags(), (std::vector<bool>{false, false}));
    setGame(600);
    processTimedEvents(m_clock.clock());
    EXPECT_FALSE(g_rudiVeruvd);  // the first event switched again
    EXPECT_TRUE(g_currentProfile.animationPlaying);
}

TEST_F(TimedEvents, ALaterEventAtZeroFiresWithTheFirstAndOneWithoutATimeNever) {
    events() = {atGameTime(10.0f), afterSeconds(0.0f),
                afterSeconds(std::numeric_limits<float>::quiet_NaN())};
    processTimedEvents(m_clock.clock());
    m_clock.advance(1000s);
    processTimedEvents(m_clock.clock());
    EXPECT_EQ(firedFlags(), (std::vector<bool>{true, true, false}));
}

TEST_F(TimedEvents, ResettingARunUnFiresAndForgetsItsStart) {
    events() = {atGameTime(10.0f), afterSeconds(0.0f)};
    processTimedEvents(m_clock.clock());
    ASSERT_TRUE(g_currentProfile.eventRunStart.has_value());
    resetTimedEventRun(g_currentProfile);
    EXPECT_EQ(firedFlags(), (std::vector<bool>{false, false}));
    EXPECT_FALSE(g_currentProfile.eventRunStart.has_value());
}

}  // namespace
