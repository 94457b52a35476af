#pragma once

// The monotonic clock of the camera animation and the timed events, moved by hand while it is
// installed.

#include "overlay/monotonic_clock.h"

#include <chrono>

class FakeMonotonicClock {
public:
    FakeMonotonicClock() {
        Zo::KV9RudiVeruv::setMonotonicClock([this] {
            m_now += m_stepPerRead;
            return m_now;
        });
    }
    ~FakeMonotonicClock() { Zo::KV9RudiVeruv::setMonotonicClock({}); }
    FakeMonotonicClock(const FakeMonotonicClock&) = delete;
    FakeMonotonicClock& operator=(const FakeMonotonicClock&) = delete;

    void advance(std::chrono::nanoseconds duration) { m_now += duration; }
    // From now on every read first moves the clock on by `step`.
    void advanceOnEveryRead(std::chrono::nanoseconds step) { m_stepPerRead = step; }

private:
    Zo::KV9RudiVeruv::MonotonicTime m_now{std::chrono::hours(100)};
    std::chrono::nanoseconds m_stepPerRead{0};
};
