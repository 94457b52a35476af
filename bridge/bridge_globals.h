#pragma once

// The script bridge's process-wide state (bridge_state.h) and the host's log routine.

#include "bridge/bridge_state.h"

namespace Tovek::KV9Lua {

// The host's log routine, kept for what goes wrong later on a game thread; null before the
// start-up.
extern void (*g_hostLog)(const char* text);

}  // namespace Tovek::KV9Lua
