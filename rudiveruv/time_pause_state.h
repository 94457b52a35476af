#pragma once

// The time-pause state that the debug module, the Lua-state watch and the overlay share: its
// globals are in rudiveruv_state.h, its lock in the system's one lock order here.

#include "rudiveruv/rudiveruv_state.h"

namespace Zo::KV9RudiVeruv {

// The lock order, one for the whole system. A thread that holds one of these takes only those
// below it:
//   1. RudiVeruvController::mutex, the debug module's: the game's logic calls in holding it,
//      and the callables then take g_stateMutex.
//   2. g_stateMutex.
//   3. The Lua chunk queue's (lua_chunk_queue.cpp): nothing is taken, and no Lua runs, under it.
// Never held with any other: the replay capture's lock, the plug-in channel's, the shared-data
// store's, the toolkit input queue's (overlay/toolkit_input_queue.cpp), g_animationMutex and the
// game's own object lock. None of them is held across a call
// into the game's Lua (Lua text runs on the game's Lua thread from the chunk queue, with no lock
// held) or into game code that may call the debug module.

// Flips the pause in one atomic step, so that a pause or resume that the game's debug functions
// store meanwhile is never overwritten by a stale read. Returns whether time is paused now.
bool togglePause();

}  // namespace Zo::KV9RudiVeruv
