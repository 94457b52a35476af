#include "bridge/bridge_globals.h"

namespace Tovek::KV9Lua {

std::atomic<int> g_bridgeInitCalled{0};
std::atomic<bool> g_isExpansion{false};
KV9Lua g_kv9Lua{};
std::vector<LuaDefine> g_defines;
std::atomic<bool> g_initDone{false};

}  // namespace Tovek::KV9Lua
