#pragma once

// The Lua functions that read hexadecimal texts as numbers.

#include "bridge/kv9_lua.h"

#include <vector>

namespace Tovek::KV9Lua {

struct HexLuaFunction {
    const char* name;
    lua_CFunction function;
};
// HexToInt32, HexToUInt32, HexToInt64, in that order.
extern const std::vector<HexLuaFunction> hexLuaFunctions;

}  // namespace Tovek::KV9Lua
