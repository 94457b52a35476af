#pragma once

// The window "定时事件": the current profile's timed events, each with its time and switches,
// and a block that adds a new one.

#include "overlay/camera_profile.h"

namespace Zo::KV9RudiVeruv {

inline constexpr char kTimedEventsWindowTitle[] = "定时事件";

// Filled when the user asks to delete the event at `index`.
struct TimedEventDeleteRequest {
    int index = 0;
    bool requested = false;
};

// Opens and closes the window. The caller holds g_stateMutex.
void drawTimedEventsWindow();

// The window's contents, inside the open window.
void drawTimedEventsWindowContents();

// One event's editor. `index` is the event's place in the list, for the add block the number of
// events; only index 0 can wait for a game time.
void drawTimedEventList(TimedEvent& event, int index, bool isAddBlock,
                        TimedEventDeleteRequest& request);

}  // namespace Zo::KV9RudiVeruv
