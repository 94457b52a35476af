#include "overlay/camera_animation.h"

#include "overlay/bezier_timing.h"
#include "overlay/output_log.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/fake_monotonic_clock.h"
#include "tests/folder_state_guard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <mutex>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <utility>

using namespace Zo::KV9RudiVeruv;
using namespace std::chrono_literals;

namespace {

using CoordinateBits = std::array<uint32_t, kCameraChannelCount>;

uint32_t bitsOf(float value) { return std::bit_cast<uint32_t>(value); }

CoordinateBits bitsOf(const CameraCoordinate& coordinate) {
    CoordinateBits bits{};
    for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
        bits[channel] = bitsOf(coordinate[channel]);
    }
    return bits;
}

CameraPoint pointAt(const CameraCoordinate& c, bool bezierAfter = false) {
    return CameraPoint{c.x, c.y, c.z, c.r1, c.r2, c.r3, "", bezierAfter};
}

// What the game camera holds before the animation drives it.
const CameraCoordinate kCurrent{100.0f, 200.0f, 300.0f, 1.0f, 45.0f, -1.0f};
// A segment whose angles cross ±π: r1 from 3 to -3, r3 from -3 to 3.
const CameraCoordinate kFrom{0.0f, 10.0f, -4.0f, 3.0f, 30.0f, -3.0f};
const CameraCoordinate kTo{4.0f, 20.0f, 4.0f, -3.0f, 50.0f, 3.0f};
constexpr float kPi = std::numbers::pi_v<float>;

// Each test works on a fresh current profile and Output log, under the state lock as the
// overlay frame holds it, on a clock of its own.
class CameraAnimation : public ::testing::Test {
protected:
    void SetUp() override {
        g_currentProfile = CameraProfile{};
        g_outputLog.clear();
    }

    static void setKeyframes(std::initializer_list<std::pair<const float, CameraPoint>> keyframes) {
        g_currentProfile.animations = keyframes;
    }
    // The segment kFrom at 0 s -> kTo at 2 s.
    static void setCrossingSegment(bool bezier) {
        setKeyframes({{0.0f, pointAt(kFrom, bezier)}, {2.0f, pointAt(kTo)}});
    }
    // As the time slider leaves it: stopped, with a time to apply once.
    CameraCoordinate evaluateAt(float time) {
        g_currentProfile.animationTime = time;
        g_currentProfile.timeValid = true;
        return evaluateCameraAnimation(kCurrent, m_clock.clock());
    }
    CameraCoordinate play() {
        g_currentProfile.animationPlaying = true;
        return evaluateCameraAnimation(kCurrent, m_clock.clock());
    }

    std::lock_guard<std::recursive_mutex> m_lock{g_stateMutex};
    FakeMonotonicClock m_clock;
    OverlayStateGuard m_overlayState;
};

TEST_F(CameraAnimation, LinearSegmentMovesStraightAndTheAnglesAlongTheShorterArc) {
    struct Case {
        float time;
        CoordinateBits expected;
    };
    // r1 moves by remainder(-6, 2π) = 0.2831855 (0x3E90FDB0), not by -6, and is not wrapped
    // again: at 1.5 s it is 3.212389, above π. r3 mirrors it.
    const Case cases[] = {
        {0.5f, {bitsOf(1.0f), bitsOf(12.5f), bitsOf(-2.0f), 0x404487EE, bitsOf(35.0f), 0xC04487EE}},
        {1.0f, {bitsOf(2.0f), bitsOf(15.0f), bitsOf(0.0f), 0x40490FDB, bitsOf(40.0f), 0xC0490FDB}},
        {1.5f, {bitsOf(3.0f), bitsOf(17.5f), bitsOf(2.0f), 0x404D97C8, bitsOf(45.0f), 0xC04D97C8}},
    };
    setCrossingSegment(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        EXPECT_EQ(bitsOf(evaluateAt(c.time)), c.expected);
        EXPECT_FALSE(g_currentProfile.segmentUsesBezier);
    }
    EXPECT_GT(evaluateAt(1.5f).r1, kPi);
}

TEST_F(CameraAnimation, BezierSegmentSolvesEachChannelAndWrapsTheAngles) {
    struct Case {
        float time;
        CoordinateBits expected;
        int32_t iterations;  // the same for all six channels here
    };
    const Case cases[] = {
        // The first midpoint meets the tolerance.
        {1.0f,
         {bitsOf(2.0f), bitsOf(15.0f), bitsOf(0.0f), 0x40490FDB, bitsOf(40.0f), 0xC0490FDB},
         0},
        // r1 goes past π on the unwrapped curve and comes back as -3.0707707.
        {1.5f, {0x404005FA, 0x418C01DE, 0x40000BF2, 0xC0448782, 0x423401DE, 0x40448782}, 9},
    };
    setCrossingSegment(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        const CameraCoordinate result = evaluateAt(c.time);
        EXPECT_EQ(bitsOf(result), c.expected);
        EXPECT_TRUE(g_currentProfile.segmentUsesBezier);
        EXPECT_LE(std::abs(result.r1), kPi);
        EXPECT_LE(std::abs(result.r3), kPi);
        for (const BezierSolveResult& solve : g_currentProfile.bezierResults) {
            EXPECT_EQ(solve.iterations, c.iterations);
        }
        EXPECT_EQ(g_currentProfile.bezierResults[0].v, result.x);
    }
}

TEST_F(CameraAnimation, BezierWorkAreaTakesTheNeighboursAndUnwrapsTheAngles) {
    setKeyframes({{0.0f, pointAt({0.0f, 0.0f, 0.0f, 3.0f, 0.0f, 0.0f})},
                  {1.0f, pointAt({1.0f, 0.0f, 0.0f, -3.0f, 0.0f, 0.0f}, true)},
                  {3.0f, pointAt({5.0f, 0.0f, 0.0f, 2.5f, 0.0f, 0.0f})},
                  {4.0f, pointAt({4.0f, 0.0f, 0.0f, -2.0f, 0.0f, 0.0f})}});
    const CameraCoordinate result = evaluateAt(2.0f);

    struct Case {
        std::size_t channel;
        // pre, start, c1, c2, end, post as {v, t}
        std::array<std::array<uint32_t, 2>, 6> keys;
        uint32_t value;
        int32_t iterations;
    };
    const Case cases[] = {
        {0,
         {{{bitsOf(0.0f), bitsOf(0.0f)},
           {bitsOf(1.0f), bitsOf(1.0f)},
           {0x3FFA5A5B, 0x3FC9696A},
           {bitsOf(4.25f), bitsOf(2.25f)},
           {bitsOf(5.0f), bitsOf(3.0f)},
           {bitsOf(4.0f), bitsOf(4.0f)}}},
         0x404EF1A2,
         8},
        // Unwrapped along pre -> start -> end -> post: -3 becomes 3.2831855 after 3, -2
        // becomes 4.2831855 after 2.5.
        {3,
         {{{bitsOf(3.0f), bitsOf(0.0f)},
           {0x40521FB6, bitsOf(1.0f)},
           {0x404C9894, 0x3FC25599},
           {0x4017A731, 0x4026F594},
           {bitsOf(2.5f), bitsOf(3.0f)},
           {0x40890FDB, bitsOf(4.0f)}}},
         0x403573B4,
         9},
    };
    const CameraProfile& profile = g_currentProfile;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        const CurveKey keys[] = {profile.bezierPre[c.channel], profile.bezierStart[c.channel],
                                 profile.bezierC1[c.channel],  profile.bezierC2[c.channel],
                                 profile.bezierEnd[c.channel], profile.bezierPost[c.channel]};
        for (std::size_t i = 0; i < 6; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(bitsOf(keys[i].v), c.keys[i][0]);
            EXPECT_EQ(bitsOf(keys[i].t), c.keys[i][1]);
        }
        EXPECT_EQ(bitsOf(result[c.channel]), c.value);
        EXPECT_EQ(profile.bezierResults[c.channel].iterations, c.iterations);
    }
}

TEST_F(CameraAnimation, AFailedSolveLogsAYellowLinePerChannelAndTakesTheEndValue) {
    // Near 2.5e8 s floats lie 16 s apart: no point of the curve comes within 1 ms of the target.
    setKeyframes({{0.0f, pointAt(kFrom, true)}, {1e9f, pointAt(kTo)}});
    const CameraCoordinate result = evaluateAt(2.5e8f);

    // r1 ends on the unwrapped 3.2831855, which wraps to -3.
    EXPECT_EQ(bitsOf(result), (CoordinateBits{bitsOf(4.0f), bitsOf(20.0f), bitsOf(4.0f),
                                              bitsOf(-3.0f), bitsOf(50.0f), bitsOf(3.0f)}));
    for (const BezierSolveResult& solve : g_currentProfile.bezierResults) {
        EXPECT_EQ(solve.v, 0.0f);
        EXPECT_EQ(solve.t, 0.0f);
        EXPECT_EQ(solve.iterations, -1);
    }
    const std::string expected[] = {
        "Bezier calculation failed [0.272548]: [t=0, v=0];[t=2.5e+08, v=1];[t=7.5e+08, v=3];"
        "[t=1e+09, v=4]; 2.5e+08 -> [t=2.5e+08, v=1]",
        "Bezier calculation failed [0.272548]: [t=0, v=10];[t=2.5e+08, v=12.5];"
        "[t=7.5e+08, v=17.5];[t=1e+09, v=20]; 2.5e+08 -> [t=2.5e+08, v=12.5]",
        "Bezier calculation failed [0.272548]: [t=0, v=-4];[t=2.5e+08, v=-2];[t=7.5e+08, v=2];"
        "[t=1e+09, v=4]; 2.5e+08 -> [t=2.5e+08, v=-2]",
        "Bezier calculation failed [0.272548]: [t=0, v=3];[t=2.5e+08, v=3.0708];"
        "[t=7.5e+08, v=3.21239];[t=1e+09, v=3.28319]; 2.5e+08 -> [t=2.5e+08, v=3.0708]",
        "Bezier calculation failed [0.272548]: [t=0, v=30];[t=2.5e+08, v=35];[t=7.5e+08, v=45];"
        "[t=1e+09, v=50]; 2.5e+08 -> [t=2.5e+08, v=35]",
        "Bezier calculation failed [0.272548]: [t=0, v=-3];[t=2.5e+08, v=-3.0708];"
        "[t=7.5e+08, v=-3.21239];[t=1e+09, v=-3.28319]; 2.5e+08 -> [t=2.5e+08, v=-3.0708]",
    };
    ASSERT_EQ(g_outputLog.size(), std::size(expected));
    for (std::size_t channel = 0; channel < std::size(expected); ++channel) {
        SCOPED_TRACE(channel);
        EXPECT_EQ(g_outputLog[channel].text, expected[channel]);
        ASSERT_TRUE(g_outputLog[channel].color.has_value());
        EXPECT_EQ(g_outputLog[channel].color->x, 1.0f);
        EXPECT_EQ(g_outputLog[channel].color->y, 1.0f);
        EXPECT_EQ(g_outputLog[channel].color->z, 0.0f);
        EXPECT_EQ(g_outputLog[channel].color->w, 1.0f);
    }
}

TEST_F(CameraAnimation, ASolveThatNeverReachesItsTargetRecordsTheLastMidpoint) {
    struct Case {
        const char* what;
        std::array<CurveKey, 4> points;
        const char* line;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        // The bisection runs up to the curve's end and stays there.
        {"target beyond the end",
         {{{0.0f, 0.0f}, {1.0f, 1.0f}, {2.0f, 2.0f}, {3.0f, 3.0f}}},
         "Bezier calculation failed [1]: [t=0, v=0];[t=1, v=1];[t=2, v=2];[t=3, v=3]; "
         "4 -> [t=3, v=3]"},
        // Every point's time is NaN: each step takes the lower half.
        {"NaN control point",
         {{{0.0f, 0.0f}, {1.0f, nan}, {2.0f, 2.0f}, {3.0f, 3.0f}}},
         "Bezier calculation failed [2.71051e-20]: [t=0, v=0];[t=nan, v=1];[t=2, v=2];"
         "[t=3, v=3]; 4 -> [t=nan, v=1.6263e-19]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_outputLog.clear();
        CameraProfile profile;
        profile.bezierStart[2] = c.points[0];
        profile.bezierC1[2] = c.points[1];
        profile.bezierC2[2] = c.points[2];
        profile.bezierEnd[2] = c.points[3];
        EXPECT_EQ(solveBezierSegment(profile, 2, 4.0f), 3.0f);
        EXPECT_EQ(profile.bezierResults[2].iterations, -1);
        ASSERT_EQ(g_outputLog.size(), 1u);
        EXPECT_EQ(g_outputLog.back().text, c.line);
    }
}

// The solver as it was, with sixteen bisection steps: the longer one must give every result
// this one reached bit for bit.
BezierSolveResult sixteenStepSolve(const std::array<CurveKey, 4>& points, float target) {
    float lo = 0.0f;
    float hi = 1.0f;
    float s = 0.5f;
    for (int32_t step = 0; step < 16; ++step) {
        CurveKey point;
        evaluateCubicBezier(points, point, s);
        if (static_cast<double>(std::fabs(target - point.t)) < 0.001) {
            return {point.v, point.t, step};
        }
        if (target > point.t) {
            lo = s;
        } else {
            hi = s;
        }
        s = (lo + hi) * 0.5f;
    }
    return {0.0f, 0.0f, -1};
}

std::array<CurveKey, 4> segmentOf(const CameraProfile& profile, std::size_t channel) {
    return {profile.bezierStart[channel], profile.bezierC1[channel], profile.bezierC2[channel],
            profile.bezierEnd[channel]};
}

// Segments of every length from 10 ms to 1,000 s, with and without neighbours, each solved at
// its ends and at random times between them.
TEST_F(CameraAnimation, EverySolveTheSixteenStepSolverReachedStaysTheSameBitForBit) {
    std::mt19937 random(16);
    std::uniform_real_distribution<float> value(-5000.0f, 5000.0f);
    std::uniform_real_distribution<float> exponent(-2.0f, 3.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto duration = [&] { return std::pow(10.0f, exponent(random)); };
    int same = 0;
    int solvedOnlyNow = 0;
    int differing = 0;
    CameraProfile profile;
    for (int segment = 0; segment < 20000; ++segment) {
        const CurveKey start{value(random), value(random)};
        const CurveKey end{value(random), start.t + duration()};
        const bool pre = unit(random) < 0.5f;
        const bool post = unit(random) < 0.5f;
        const CurveKey before = pre ? CurveKey{value(random), start.t - duration()} : start;
        const CurveKey after = post ? CurveKey{value(random), end.t + duration()} : end;
        profile.bezierStart[0] = start;
        profile.bezierEnd[0] = end;
        placeInnerControlPoints(before, start, end, after, profile.bezierC1[0], profile.bezierC2[0]);
        const float u = unit(random);
        for (const float target : {start.t, end.t, (1.0f - u) * start.t + u * end.t}) {
            const BezierSolveResult old = sixteenStepSolve(segmentOf(profile, 0), target);
            const float returned = solveBezierSegment(profile, 0, target);
            const BezierSolveResult& now = profile.bezierResults[0];
            if (old.iterations >= 0) {
                const bool equal = bitsOf(now.v) == bitsOf(old.v) &&
                                   bitsOf(now.t) == bitsOf(old.t) &&
                                   now.iterations == old.iterations && bitsOf(returned) == bitsOf(old.v);
                same += equal;
                differing += !equal;
            } else {
                const bool solved = now.iterations >= 16 &&
                                    std::fabs(static_cast<double>(target - now.t)) < 0.001 &&
                                    bitsOf(returned) == bitsOf(now.v);
                solvedOnlyNow += solved;
                differing += !solved && now.iterations != -1;
            }
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(same, 40000);
    EXPECT_GT(solvedOnlyNow, 1000) << "the long segments the sixteen steps could not solve";
    std::printf("  %d solves the same, %d solved only with the longer bisection\n", same,
                solvedOnlyNow);
}

TEST_F(CameraAnimation, SegmentsOf131To500SecondsSolveInEveryFrame) {
    for (const float length : {131.0f, 200.0f, 500.0f}) {
        SCOPED_TRACE(length);
        setKeyframes({{0.0f, pointAt(kFrom, true)}, {length, pointAt(kTo)}});
        int solves = 0;
        int sixteenStepFailures = 0;
        int failures = 0;
        int32_t mostSteps = 0;
        for (int frame = 1; frame < 1000; ++frame) {
            const float time = length * static_cast<float>(frame) / 1000.0f;
            evaluateAt(time);
            for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
                const int32_t steps = g_currentProfile.bezierResults[channel].iterations;
                ++solves;
                failures += steps < 0;
                mostSteps = std::max(mostSteps, steps);
                sixteenStepFailures +=
                    sixteenStepSolve(segmentOf(g_currentProfile, channel), time).iterations < 0;
            }
        }
        EXPECT_EQ(failures, 0);
        EXPECT_TRUE(g_outputLog.empty());
        EXPECT_GT(sixteenStepFailures, 0);
        EXPECT_LT(mostSteps, 64);
        std::printf("  %g s: %d channel solves, none failed (at most %d steps); sixteen steps "
                    "would have failed %d\n",
                    static_cast<double>(length), solves, mostSteps + 1, sixteenStepFailures);
    }
}

TEST(CubicBezier, SumsTheFourTermsInOrderInSinglePrecision) {
    struct Case {
        float s;
        uint32_t v;
        uint32_t t;
    };
    const Case cases[] = {
        {0.0f, bitsOf(0.0f), bitsOf(0.0f)},
        {0.3f, 0x3F8ED917, 0x3FB7BE77},
        {0.5f, bitsOf(2.0f), bitsOf(2.0625f)},
        {1.0f, bitsOf(4.0f), bitsOf(3.0f)},
    };
    const std::array<CurveKey, 4> points{{{0.0f, 0.0f}, {1.0f, 2.0f}, {3.0f, 2.5f}, {4.0f, 3.0f}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.s);
        CurveKey point;
        evaluateCubicBezier(points, point, c.s);
        EXPECT_EQ(bitsOf(point.v), c.v);
        EXPECT_EQ(bitsOf(point.t), c.t);
    }
}

TEST(CurveKeyText, PrintsTheTimeFirst) {
    std::ostringstream text;
    text << CurveKey{2.0f, 1.5f};
    EXPECT_EQ(text.str(), "[t=1.5, v=2]");
}

TEST_F(CameraAnimation, WithoutKeyframesNothingPlays) {
    g_currentProfile.animationPlaying = true;
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kCurrent));
    EXPECT_FALSE(g_currentProfile.animationPlaying);
}

TEST_F(CameraAnimation, StoppedWithoutAPendingTimeLeavesTheCameraToTheGame) {
    setCrossingSegment(false);
    g_currentProfile.animationTime = 1.0f;
    g_currentProfile.animationStart = m_clock.now();
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kCurrent));
    EXPECT_FALSE(g_currentProfile.animationStart.has_value());
}

TEST_F(CameraAnimation, PlayingTimeIsClockNanosecondsInSeconds) {
    setCrossingSegment(false);
    play();
    m_clock.advance(1234567891ns);
    evaluateCameraAnimation(kCurrent, m_clock.clock());
    EXPECT_EQ(bitsOf(g_currentProfile.animationTime), 0x3F9E0652u);  // 1.2345679
    EXPECT_TRUE(g_currentProfile.timeValid);
    EXPECT_TRUE(g_currentProfile.animationPlaying);
}

TEST_F(CameraAnimation, BeforeTheFirstKeyframeTheCameraIsFree) {
    setKeyframes({{2.0f, pointAt(kFrom)}, {4.0f, pointAt(kTo)}});
    EXPECT_EQ(bitsOf(play()), bitsOf(kCurrent));
    m_clock.advance(1999ms);
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kCurrent));
    m_clock.advance(1ms);  // exactly on the first keyframe
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kFrom));
    m_clock.advance(1s);
    EXPECT_EQ(evaluateCameraAnimation(kCurrent, m_clock.clock()).x, 2.0f);
    EXPECT_TRUE(g_currentProfile.animationPlaying);
}

TEST_F(CameraAnimation, PlayingPastTheLastKeyframeStopsThere) {
    setCrossingSegment(false);
    play();
    m_clock.advance(2500ms);
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kTo));
    EXPECT_FALSE(g_currentProfile.animationPlaying);
    EXPECT_FALSE(g_currentProfile.timeValid);
    EXPECT_EQ(g_currentProfile.animationTime, 2.0f);
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kCurrent));
}

TEST_F(CameraAnimation, ASingleKeyframeAtZeroIsAppliedThenStops) {
    setKeyframes({{0.0f, pointAt(kFrom)}});
    EXPECT_EQ(bitsOf(play()), bitsOf(kFrom));  // the start is this very instant: t = 0
    EXPECT_TRUE(g_currentProfile.animationPlaying);
    m_clock.advance(1ns);
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kFrom));
    EXPECT_FALSE(g_currentProfile.animationPlaying);
}

TEST_F(CameraAnimation, StartingAgainAfterAStopBeginsAtZero) {
    setCrossingSegment(false);
    play();
    m_clock.advance(1500ms);
    evaluateCameraAnimation(kCurrent, m_clock.clock());
    ASSERT_EQ(g_currentProfile.animationTime, 1.5f);

    g_currentProfile.animationPlaying = false;
    evaluateCameraAnimation(kCurrent, m_clock.clock());
    EXPECT_FALSE(g_currentProfile.animationStart.has_value());
    m_clock.advance(10s);
    EXPECT_EQ(bitsOf(play()), bitsOf(kFrom));
    EXPECT_EQ(g_currentProfile.animationTime, 0.0f);
}

TEST_F(CameraAnimation, ASliderTimeWhileStoppedMovesTheCameraOnce) {
    setCrossingSegment(false);
    EXPECT_EQ(evaluateAt(1.0f).x, 2.0f);
    EXPECT_FALSE(g_currentProfile.timeValid);
    EXPECT_EQ(bitsOf(evaluateCameraAnimation(kCurrent, m_clock.clock())), bitsOf(kCurrent));
}

}  // namespace
