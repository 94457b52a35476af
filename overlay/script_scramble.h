#pragma once

// The overlay's Lua texts are kept scrambled in the program; the Lua chunk runner undoes it.

#include "rudiveruv/lua_chunk_runner.h"

#include <cstddef>
#include <string>

namespace Zo::KV9RudiVeruv {

// A copy of `length` bytes with kScriptScrambleOffset added to each, modulo 256.
std::string scrambleScriptText(const char* bytes, std::size_t length);

}  // namespace Zo::KV9RudiVeruv
