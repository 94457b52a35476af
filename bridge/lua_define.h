#pragma once

// One Lua global of the configuration's "defines": a name and a number or string value.

#include <string>
#include <variant>

namespace Tovek::KV9Lua {

// A Lua number (alternative 0) or a Lua string (alternative 1).
using LuaValue = std::variant<double, std::string>;

struct LuaDefine {
    std::string name;
    LuaValue value;
};

}  // namespace Tovek::KV9Lua
