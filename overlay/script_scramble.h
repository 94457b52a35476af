#pragma once

// The overlay's Lua texts are kept scrambled in the program; the Lua chunk runner undoes it.

#include <cstddef>
#include <string>

namespace Zo::KV9RudiVeruv {

constexpr unsigned char kScriptScrambleOffset = 7;

// A copy of `length` bytes with 7 added to each, modulo 256.
std::string scrambleScriptText(const char* bytes, std::size_t length);

}  // namespace Zo::KV9RudiVeruv
