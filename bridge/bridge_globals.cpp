#include "bridge/bridge_state.h"

namespace Tovek::KV9Lua {

std::atomic<int> g_bridgeInitCalled{0};
std::atomic<bool> g_isExpansion{false};
KV9Lua g_kv9Lua{};
uint32_t g_thisPlayerGlobal = 0;
std::vector<LuaDefine> g_defines;

}  // namespace Tovek::KV9Lua
