#pragma once

// The one edge between the game's Lua interpreter and every native Lua function this library
// registers, its own and the plug-ins': the interpreter is C, so no C++ exception may unwind
// into it. A function that throws gives its failure result instead.

#include "bridge/kv9_lua.h"

namespace Tovek::KV9Lua {

// What a native function answers when it throws, on the stack as it was on entry.
enum class LuaFailureResult {
    nilAndMessage,  // nil and "Error: " + the exception's text: 2 results
    notANumber,     // NaN: 1 result (the hexadecimal parsers)
};

// Runs function(L); any exception becomes the failure result.
int callAtLuaEdge(LuaState* L, lua_CFunction function, LuaFailureResult failure) noexcept;

// The native function that calls `function` through callAtLuaEdge. The same function and
// failure result always give the same edge, so a function registered in many Lua states, or
// compared through a checker global, stays one value. Once every edge is taken, a new function
// gets one that answers nil and "Error: too many native Lua functions".
lua_CFunction luaFunctionEdge(lua_CFunction function, LuaFailureResult failure);

}  // namespace Tovek::KV9Lua
