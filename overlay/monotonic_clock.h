#pragma once

// The wall clock of the camera animation and the timed events: monotonic, and independent of
// game time, so both keep moving while the game is paused. The frame hands it to them; tests
// hand them a clock they move by hand.

#include <chrono>
#include <functional>

namespace Zo::KV9RudiVeruv {

using MonotonicTime = std::chrono::steady_clock::time_point;

// Each call reads the clock once.
using MonotonicClock = std::function<MonotonicTime()>;

}  // namespace Zo::KV9RudiVeruv
