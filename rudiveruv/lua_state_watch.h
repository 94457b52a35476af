#pragma once

// Follows the game's Lua states: remembers the newest one for the overlay, notices through a
// named pipe when it is gone, and decides with each new state whether time pause is allowed.

#include "rudiveruv/pause_allowed_rule.h"
#include "rudiveruv/rudiveruv_lua.h"
#include "rudiveruv/rudiveruv_state.h"
#include "rudiveruv/time_pause_edges.h"

namespace Zo::KV9RudiVeruv {

// The thread starter of the plug-in: body(data) on a detached thread of its own; false when no
// thread could start, with the reason in GetLastError().
bool startDetachedThread(ThreadBody body, void* data);

// The per-Lua-state entry of the time-pause plug-in, on the game's Lua thread: remembers L,
// lets L open a file on a new named pipe, applies the pause-allowed rule and starts the thread
// that waits for that file to close. When no watcher could take L, by failure or exception,
// L is forgotten again and the permission withdrawn.
void onLuaStateReady(LuaState* L);

// The pause-allowed rule on the replay the game has open now.
bool replayAllowsTimePause();

// The one place that changes the pause-allowed flag. A withdrawal also hides the Lua functions
// window; the overlay then hears of the change (g_timePauseEdges.pauseAllowedSet).
void setRudiVeruvAllowed(bool allowed);

// The detour of the game's lua_getglobal: the first read of an "ObjID..." global shows that
// the game's scripts use object events. On the game's Lua thread, it first runs the Lua text
// queued for L (runLuaCode) when L's stack is empty.
void hookedGetglobal(LuaState* L, const char* name);

}  // namespace Zo::KV9RudiVeruv
