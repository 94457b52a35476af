#pragma once

// A monotonic clock for the camera animation and the timed events, moved by hand.

#include "overlay/monotonic_clock.h"

#include <chrono>

class FakeMonotonicClock {
public:
    FakeMonotonicClock() = default;
    FakeMonotonicClock(const FakeMonotonicClock&) = delete;
    FakeMonotonicClock& operator=(const FakeMonotonicClock&) = delete;

    // Reads this clock; valid while it lives.
    Zo::KV9RudiVeruv::MonotonicClock clock() {
        return [this] { return now(); };
    }
    Zo::KV9RudiVeruv::MonotonicTime now() {
        m_now += m_stepPerRead;
        return m_now;
    }
    void advance(std::chrono::nanoseconds duration) { m_now += duration; }
    // From now on every read first moves the clock on by `step`.
    void advanceOnEveryRead(std::chrono::nanoseconds step) { m_stepPerRead = step; }

private:
    Zo::KV9RudiVeruv::MonotonicTime m_now{std::chrono::hours(100)};
    std::chrono::nanoseconds m_stepPerRead{0};
};
