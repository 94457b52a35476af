#pragma once

// The start-up's outcome, which the setglobal detour's game Lua threads wait for.

#include <atomic>

namespace Tovek::KV9Lua {

// How far the start-up got. Game Lua threads in the setglobal detour wait while it is running;
// a start-up that failed releases them too, and the detour then passes calls straight through.
enum class InitState : int { running, done, failed };
extern std::atomic<InitState> g_initState;

// Stores the outcome and wakes every waiting thread.
void settleInitState(InitState outcome);

}  // namespace Tovek::KV9Lua
