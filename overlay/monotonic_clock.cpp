#include "overlay/monotonic_clock.h"

#include <utility>

namespace Zo::KV9RudiVeruv {

namespace {

std::function<MonotonicTime()> g_monotonicClock;  // empty: steady_clock

}  // namespace

MonotonicTime monotonicNow() {
    return g_monotonicClock ? g_monotonicClock() : std::chrono::steady_clock::now();
}

void setMonotonicClock(std::function<MonotonicTime()> source) {
    g_monotonicClock = std::move(source);
}

}  // namespace Zo::KV9RudiVeruv
