#pragma once

// Lua text that another thread (the overlay's, on the render thread) wants run in the game's
// Lua state waits here: Lua 4.0 is not thread-safe, so only the thread the game runs that
// state's scripts on runs it, at a moment it is between script calls.

#include "rudiveruv/lua_chunk_runner.h"

#include <future>
#include <string>

namespace Zo::KV9RudiVeruv {

// Queues the scrambled text for g_gameLuaState. The future gets the chunk's result once the
// game's Lua thread has run it, or the empty result when there is no state, or the state ends
// first. Callers that do not want the result just drop the future.
std::future<LuaChunkResult> runLuaCode(std::string scrambledCode);

// On the game's Lua thread, called with L at a call the game makes between script calls: runs
// what waits for L when L's stack is empty, else leaves it for the next such call.
void runQueuedLuaCode(LuaState* L);

// L has ended, or a new state came at its address (so the one queued for ended): whatever
// waits for L is dropped, never run.
void dropQueuedLuaCode(LuaState* L);

}  // namespace Zo::KV9RudiVeruv
