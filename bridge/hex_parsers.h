#pragma once

// Hexadecimal texts as the game scripts' hexadecimal functions read them: an optional "0x",
// leading white space and a sign allowed, reading stops at the first non-digit.

#include <string>

namespace Tovek::KV9Lua {

// Each gives the value as a Lua number, or NaN for a text without digits or out of range.
double hexToInt32(const std::string& text);   // the 32-bit pattern read as signed
double hexToUInt32(const std::string& text);  // a minus sign negates modulo 2^32
double hexToInt64(const std::string& text);

}  // namespace Tovek::KV9Lua
