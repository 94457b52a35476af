#pragma once

// Runs the overlay's Lua texts in the game's remembered Lua state and reads the one value a
// chunk returns.

#include "rudiveruv/rudiveruv_lua.h"

#include <string>
#include <variant>

namespace Zo::KV9RudiVeruv {

// Nothing, a text, or a number.
using LuaChunkResult = std::variant<std::monostate, std::string, double>;

// Unscrambles the text in place (each byte less 7, modulo 256) and runs it in L, unless L's
// stack is in use: the game may be running Lua in it at that moment. The stack is empty again
// afterwards.
LuaChunkResult runLuaChunk(LuaState* L, std::string& scrambledCode);

// runLuaChunk in g_gameLuaState, on the caller's own copy of the text; empty without a state.
LuaChunkResult runLuaCode(std::string scrambledCode);

}  // namespace Zo::KV9RudiVeruv
