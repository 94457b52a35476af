#pragma once

// Lua text that another thread (the overlay's, on the render thread) wants run in the game's
// Lua state waits here: Lua 4.0 is not thread-safe, so only the thread the game runs that
// state's scripts on runs it, at a moment it is between script calls. Each text waits for the
// state it was sent to, known by its checker counter: the game may make a new state at the
// address of one that ended.

#include "rudiveruv/lua_chunk_runner.h"

#include <future>
#include <string>

namespace Zo::KV9RudiVeruv {

// Queues the scrambled text for the remembered state (g_gameLuaState). The future gets the
// chunk's result once the game's Lua thread has run it in that state, or the empty result when
// there is no state, or the state ends first. Callers that do not want the result just drop
// the future.
std::future<LuaChunkResult> runLuaCode(std::string scrambledCode);

// On the game's Lua thread, called with L at a call the game makes between script calls: when
// L's stack is empty, runs what waits for the state L is, which L shows by holding that state's
// checker global; else leaves it for the next such call.
void runQueuedLuaCode(LuaState* L);

// The state of this checker counter has ended: whatever waits for it is dropped, never run.
void dropQueuedLuaCode(int counter);

}  // namespace Zo::KV9RudiVeruv
