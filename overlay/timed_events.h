#pragma once

// Timed events of the current profile: the first event waits for a game time or for a point of
// the camera animation; every later one fires a set number of clock seconds after the first
// was reached. Each switches the time pause and the animation once per run.

#include "overlay/camera_profile.h"
#include "overlay/monotonic_clock.h"
#include "rudiveruv/time_pause_state.h"

#include <functional>

namespace Zo::KV9RudiVeruv {

// Flips the time pause and returns whether time is paused now. The process's own is
// togglePause; tests put in their own to see the state it is called in.
using PauseToggle = std::function<bool()>;

// Fires the events of g_currentProfile that are due, reading `clock` at most twice; a logic frame
// of 0 or 1 (a game or replay starting) resets the run instead. Once per frame; the caller holds
// g_stateMutex.
void processTimedEvents(const MonotonicClock& clock, const PauseToggle& toggle = togglePause);

// Un-fires every event and forgets when the run started. The caller holds g_stateMutex.
void resetTimedEventRun(CameraProfile& profile);

}  // namespace Zo::KV9RudiVeruv
