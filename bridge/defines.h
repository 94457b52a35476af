#pragma once

// The configuration's "defines": the Lua globals set in every game Lua state.

#include "bridge/lua_define.h"

#include <nlohmann/json.hpp>

#include <vector>

namespace Tovek::KV9Lua {

// Appends the configuration's "defines" in ascending name order. A bad value throws, leaving
// the members before it appended.
void readDefines(const nlohmann::json& config, std::vector<LuaDefine>& defines);

}  // namespace Tovek::KV9Lua
