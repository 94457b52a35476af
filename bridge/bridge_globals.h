#pragma once

// The script bridge's process-wide state that the start-up fills.

#include "bridge/kv9_lua.h"
#include "bridge/lua_define.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace Tovek::KV9Lua {

// What the start-up fills; each lives for the whole process.
extern std::atomic<int> g_bridgeInitCalled;
extern std::atomic<bool> g_isExpansion;
extern KV9Lua g_kv9Lua;
// The game's WorldBuilder this-player global: it points to the holder of the this-player slot.
extern uint32_t g_thisPlayerGlobal;
extern std::vector<LuaDefine> g_defines;
// The host's log routine, kept for what goes wrong later on a game thread; null before the
// start-up.
extern void (*g_hostLog)(const char* text);

}  // namespace Tovek::KV9Lua
