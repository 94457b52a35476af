#pragma once

// Timed events of the current profile: the first event waits for a game time or for a point of
// the camera animation; every later one fires a set number of clock seconds after the first
// was reached. Each switches the time pause and the animation once per run.

#include "overlay/camera_profile.h"
#include "overlay/monotonic_clock.h"

namespace Zo::KV9RudiVeruv {

// Fires the events of g_currentProfile that are due, reading `clock` at most twice; a logic frame
// of 0 or 1 (a game or replay starting) resets the run instead. Once per frame; the caller holds
// g_stateMutex.
void processTimedEvents(const MonotonicClock& clock);

// Un-fires every event and forgets when the run started. The caller holds g_stateMutex.
void resetTimedEventRun(CameraProfile& profile);

}  // namespace Zo::KV9RudiVeruv
