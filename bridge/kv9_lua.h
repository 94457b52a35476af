#pragma once

// The game's Lua 4.0 API as this library calls it, found in the game's code at start-up.

#include <cstddef>
#include <cstdint>

namespace Tovek::KV9Lua {

class PointersCache;

struct LuaState;  // the game's lua_State, opaque here
using lua_CFunction = int (*)(LuaState*);

// One record of the game's base-library array (Lua 4.0 luaL_reg).
struct LuaReg {
    const char* name;
    lua_CFunction func;
};
constexpr std::size_t kBaseLibEntryCount = 33;

// The located game Lua API. Internal plug-ins receive it by pointer: the field order is fixed.
struct KV9Lua {
    int (*gettop)(LuaState*);
    void (*settop)(LuaState*, int);
    double (*tonumber)(LuaState*, int);
    const char* (*tostring)(LuaState*, int);
    std::size_t (*strlen)(LuaState*, int);
    void (*pushcclosure)(LuaState*, lua_CFunction, int);
    void (*pushnil)(LuaState*);
    void (*pushnumber)(LuaState*, double);
    void (*pushstring)(LuaState*, const char*);
    void (*pushvalue)(LuaState*, int);
    void (*setglobal)(LuaState*, const char*);
    void (*getglobal)(LuaState*, const char*);
    int (*type)(LuaState*, int);
    const LuaReg* baseLibEntries;

    // Finds every field, from the cache (ids 0 and 1) or by decoding the game's code.
    static KV9Lua initialize(PointersCache& cache);
};
static_assert(sizeof(KV9Lua) == 14 * sizeof(void*));

}  // namespace Tovek::KV9Lua
