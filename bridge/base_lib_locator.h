#pragma once

#include "bridge/code_scan.h"

#include <cstddef>
#include <cstdint>

namespace Tovek::KV9Lua {

// The address of the game's base-library array: the "_ALERT" record before the reference to
// an "_ERRORMESSAGE" text that sits between an "_ALERT" and a "call" record.
uint32_t locateBaseLibEntries();
bool isBaseLibEntryReference(const TheGameModule& module, uint32_t reference);

// lua_pushcclosure: the first call inside luaL_openlib, reached from the call site that opens
// with the given pattern (push 33, push <array>), a push and the call.
uint32_t findLuaOpenlib(const ZydisDecoder& decoder, const uint8_t* pattern, std::size_t length);

}  // namespace Tovek::KV9Lua
