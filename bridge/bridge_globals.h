#pragma once

#include "bridge/kv9_lua.h"
#include "bridge/lua_define.h"

#include <atomic>
#include <vector>

namespace Tovek::KV9Lua {

// What the start-up fills; each lives for the whole process.
extern std::atomic<int> g_bridgeInitCalled;
extern std::atomic<bool> g_isExpansion;
extern KV9Lua g_kv9Lua;
extern std::vector<LuaDefine> g_defines;
extern std::atomic<bool> g_initDone;

}  // namespace Tovek::KV9Lua
