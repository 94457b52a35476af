#pragma once

// The wall clock of the camera animation and the timed events: monotonic, and independent of
// game time, so both keep moving while the game is paused. Tests drive it by replacing its
// source.

#include <chrono>
#include <functional>

namespace Zo::KV9RudiVeruv {

using MonotonicTime = std::chrono::steady_clock::time_point;

// The current time of the source, std::chrono::steady_clock unless replaced.
MonotonicTime monotonicNow();

// Replaces the source; an empty function brings steady_clock back. Callers hold g_stateMutex.
void setMonotonicClock(std::function<MonotonicTime()> source);

}  // namespace Zo::KV9RudiVeruv
