#pragma once

// The Lua API table as the plug-in locates it in the stand-in game: the stand-in's own functions
// and base-library array, in the table's field order.

#include "bridge/kv9_lua.h"
#include "hostgame/game/game_symbols.h"
#include "tests/addresses.h"

#include <array>
#include <bit>
#include <cstdint>

using LuaApiFields = std::array<uintptr_t, 14>;

inline LuaApiFields standInLuaApiFields() {
    return {functionAddress(&lua_gettop),     functionAddress(&lua_settop),
            functionAddress(&lua_tonumber),   functionAddress(&lua_tostring),
            functionAddress(&lua_strlen),     functionAddress(&lua_pushcclosure),
            functionAddress(&lua_pushnil),    functionAddress(&lua_pushnumber),
            functionAddress(&lua_pushstring), functionAddress(&lua_pushvalue),
            functionAddress(&lua_setglobal),  functionAddress(&lua_getglobal),
            functionAddress(&lua_type),       reinterpret_cast<uintptr_t>(g_baseLibArray)};
}

inline Tovek::KV9Lua::KV9Lua standInLuaApi() {
    return std::bit_cast<Tovek::KV9Lua::KV9Lua>(standInLuaApiFields());
}
