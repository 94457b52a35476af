#pragma once

// The detour of the game's lua_setglobal: five global names trigger the plug-in's work.

#include "bridge/bridge_state.h"
#include "bridge/kv9_lua.h"

namespace Tovek::KV9Lua {

SetglobalCallbacks makeSetglobalCallbacks();

// Stores the start-up's outcome and wakes every game Lua thread waiting in the detour.
void settleInitState(InitState outcome);

void setglobalDetour(LuaState* L, const char* name);

void captureObjectDescription(LuaState* L);
void captureCurDrawableModelcondition(LuaState* L);
void captureCurDrawableObjectStatus(LuaState* L);
void onGetFrame(LuaState* L);

}  // namespace Tovek::KV9Lua
