#pragma once

// Finding the game's Lua base-library array and luaL_openlib in the game's code.

#include "bridge/code_scan.h"

#include <cstddef>
#include <cstdint>

namespace Tovek::KV9Lua {

// The address of the game's base-library array: the "_ALERT" record before the reference to
// an "_ERRORMESSAGE" text that sits between an "_ALERT" and a "call" record.
uint32_t locateBaseLibEntries();
bool isBaseLibEntryReference(const TheGameModule& module, uint32_t reference);
// The search's test of a candidate array: its 33 records lie inside the module, and the second
// names an "_ERRORMESSAGE" text and passes isBaseLibEntryReference. A cached array must pass it
// again before it is read.
bool isBaseLibArray(const TheGameModule& module, uint32_t array);

// lua_pushcclosure: the first call inside luaL_openlib, reached from the call site that opens
// with the given pattern (push 33, push <array>), a push and the call.
uint32_t findLuaOpenlib(const ZydisDecoder& decoder, const uint8_t* pattern, std::size_t length);
// What a cached lua_pushcclosure must be before it is called: what the search knows of it, the
// target of a call in the game's code, so an address in the module's executable pages. Its own
// code is never walked: it may well be a single jump on to a helper.
bool isGameCode(const TheGameModule& module, uint32_t address);
}  // namespace Tovek::KV9Lua
