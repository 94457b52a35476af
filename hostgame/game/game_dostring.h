#pragma once

#include "hostgame/game/lua_runtime.h"

// The game's base function "dostring" (text at argument 1, chunk name at argument 2). It knows
// the few chunks the plug-in sends: "NAME = openfile([[PATH]], [[MODE]])", which opens the file
// with the C runtime and keeps it open until the state goes, and "return" of one literal
// (number, quoted or [[long]] string, nil or {}), whose value it pushes. Any chunk is recorded
// in the state (and reported, when the state reports its chunks), and anything else does
// nothing more. Returns the number of values pushed.
extern "C" int host_base_dostring(lua_State* L);
