#pragma once

// Runs the overlay's Lua texts in a game Lua state and reads the one value a chunk returns.

#include "rudiveruv/rudiveruv_lua.h"

#include <cstdint>
#include <string>
#include <variant>

namespace Zo::KV9RudiVeruv {

// What the overlay adds to each byte of its Lua texts (script_scramble.h) and the runner takes
// away again, modulo 256.
constexpr uint8_t kScriptScrambleOffset = 7;

// Nothing, a text, or a number.
using LuaChunkResult = std::variant<std::monostate, std::string, double>;

// On L's own thread: unscrambles the text in place (each byte less 7, modulo 256) and runs it
// in L, unless L's stack is in use. The stack is empty again afterwards.
LuaChunkResult runLuaChunk(LuaState* L, std::string& scrambledCode);

}  // namespace Zo::KV9RudiVeruv
