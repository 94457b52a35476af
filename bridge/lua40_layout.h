#pragma once

// The game's Lua 4.0 value tags, and where its state, stack slots and C closures keep their fields.

#include <cstdint>

namespace Tovek::KV9Lua {

// lua_type's answers.
constexpr int kLuaNilTag = 1;
constexpr int kLuaNumberTag = 2;
constexpr int kLuaStringTag = 3;
constexpr int kLuaTableTag = 4;
constexpr int kLuaFunctionTag = 5;

// lua_State: the stack top at byte 0, the current frame's base at byte 16.
constexpr uintptr_t kLuaStateTopOffset = 0;
constexpr uintptr_t kLuaStateBaseOffset = 16;

// A stack slot: 16 bytes, the tag at byte 0 and the value (a number or a pointer) at byte 8.
constexpr uintptr_t kLuaSlotSize = 16;
constexpr uintptr_t kLuaSlotTagOffset = 0;
constexpr uintptr_t kLuaSlotValueOffset = 8;

// A closure: the C function at byte 0, the isC flag (16 bits) at byte 12.
constexpr uintptr_t kLuaClosureFunctionOffset = 0;
constexpr uintptr_t kLuaClosureIsCOffset = 12;

}  // namespace Tovek::KV9Lua
