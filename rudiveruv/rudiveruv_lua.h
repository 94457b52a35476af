#pragma once

// The time-pause plug-in's own hold on the game's Lua: its copy of the located Lua API, the
// game's "dostring", and the random number that tells this process's Lua-state watches apart.

#include "bridge/kv9_lua.h"
#include "rudiveruv/rudiveruv_state.h"

namespace Zo::KV9RudiVeruv {

using Tovek::KV9Lua::LuaState;

// Runs text with the game's "dostring" as a chunk named "?": pushes the text and the name, so
// the chunk's results land on the stack from position 3 on when the stack was empty. False,
// with nothing pushed, when the game has no "dostring".
bool runGameDostring(LuaState* L, const char* text);

}  // namespace Zo::KV9RudiVeruv
