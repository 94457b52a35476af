#pragma once

// Giving a game Lua state the plug-in's functions, once per state, keyed by checker globals.

#include "bridge/bridge_state.h"
#include "bridge/kv9_lua.h"

namespace Tovek::KV9Lua {

// Sets global `name` of L to the native function behind its edge (lua_function_edge.h): an
// exception it throws gives nil and "Error: " + its text. Plug-ins register through it too.
void registerLuaFunction(LuaState* L, const char* name, lua_CFunction function);

// The native function held by global `name`, or null; leaves the global's value on the stack.
lua_CFunction getGlobalCFunction(LuaState* L, const char* name);

// The whole library with the plug-ins' entries and the defines ("GetFrame" was assigned).
void registerPluginLuaFunctions(LuaState* L);
// The animation functions ("CurDrawableGetCurrentTargetDistance" was assigned).
void registerAnimationLuaFunctions(LuaState* L);

}  // namespace Tovek::KV9Lua
