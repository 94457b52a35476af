#pragma once

// What the stand-in game's assembly defines.

#include "hostgame/game/lua_runtime.h"

#include <cstdint>

struct GameLuaReg {
    const char* name;
    lua_CFunction function;
};

extern "C" {
extern GameLuaReg g_baseLibArray[33];
// A word of game data right after the array, inside every cache window around it.
extern uint32_t g_baseLibTrailer;
int host_base_sort_other(lua_State* L);
int host_base_foreach_other(lua_State* L);
int host_base_noop(lua_State* L);
void host_open_base_lib(lua_State* L);
}
