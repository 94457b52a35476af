#pragma once

// The time-pause plug-in's own hold on the game's Lua: its copy of the located Lua API, the
// game's "dostring", and the random number that tells this process's Lua-state watches apart.

#include "bridge/kv9_lua.h"

#include <cstdint>

namespace Zo::KV9RudiVeruv {

using Tovek::KV9Lua::LuaState;

// Filled once at start-up. Its getglobal field is detoured, so it then leads back into the
// game's own function.
extern Tovek::KV9Lua::KV9Lua g_rudiVeruvLua;

// The game's base function "dostring", called directly with the state; null until start-up
// found it.
extern Tovek::KV9Lua::lua_CFunction g_luaDostring;

// Drawn once at start-up; part of every Lua-state watch's pipe name.
extern uint32_t g_checkerRandomId;

// Runs text with the game's "dostring" as a chunk named "?": pushes the text and the name, so
// the chunk's results land on the stack from position 3 on when the stack was empty. False,
// with nothing pushed, when the game has no "dostring".
bool runGameDostring(LuaState* L, const char* text);

}  // namespace Zo::KV9RudiVeruv
