#include "overlay/timed_events.h"

#include <chrono>
#include <cstddef>
#include <limits>
#include <optional>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr float kNanosecondsPerSecond = 1e9f;

// Clock seconds since the run started.
float secondsSinceRunStart(const CameraProfile& profile, const MonotonicClock& clock) {
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(
        clock() - *profile.eventRunStart);
    return static_cast<float>(nanoseconds.count()) / kNanosecondsPerSecond;
}

// The first event is due once its threshold is reached: a game time when it has one, else its
// relative time on the running animation.
bool firstEventDue(const CameraProfile& profile, const TimedEvent& event) {
    if (event.gameTime > 0.0f) return static_cast<double>(event.gameTime) <= g_gameTime;
    // A stopped animation never reaches the threshold.
    const float reference =
        profile.animationPlaying ? profile.animationTime : std::numeric_limits<float>::lowest();
    return !(event.relativeTime > reference);
}

void fire(CameraProfile& profile, TimedEvent& event, const PauseToggle& toggle) {
    if (event.fired) return;
    event.fired = true;
    if (event.willSwitchPause) {
        // A pause ends a fast-forward: no one sees time paused while it is still on.
        if (!g_rudiVeruvd.load()) g_runFast.exchange(false);
        toggle();
    }
    if (event.willSwitchAnimation) profile.animationPlaying = !profile.animationPlaying;
}

}  // namespace

void resetTimedEventRun(CameraProfile& profile) {
    for (TimedEvent& event : profile.timedEvents) event.fired = false;
    profile.eventRunStart.reset();
}

void processTimedEvents(const MonotonicClock& clock, const PauseToggle& toggle) {
    CameraProfile& profile = g_currentProfile;
    if (g_logicFrame <= 1) {
        resetTimedEventRun(profile);
        return;
    }
    std::optional<float> elapsed;  // read from the clock once per frame, when first needed
    for (std::size_t index = 0; index < profile.timedEvents.size(); ++index) {
        TimedEvent& event = profile.timedEvents[index];
        if (index == 0) {
            if (!firstEventDue(profile, event)) continue;
            if (!profile.eventRunStart) profile.eventRunStart = clock();
            if (!elapsed) elapsed = secondsSinceRunStart(profile, clock);
            fire(profile, event, toggle);
            continue;
        }
        if (!elapsed) {
            if (!profile.eventRunStart) break;  // the run has not started
            elapsed = secondsSinceRunStart(profile, clock);
        }
        if (event.relativeTime <= *elapsed) fire(profile, event, toggle);
    }
}

}  // namespace Zo::KV9RudiVeruv
