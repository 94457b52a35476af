// The hexadecimal parsers for Lua: NaN for anything that is not a hexadecimal number.

#include "bridge/bridge_globals.h"
#include "bridge/game_objects.h"

#include <cstdint>
#include <limits>
#include <string>

namespace Tovek::KV9Lua {

namespace {

template <typename Parse>
int pushParsedHex(LuaState* L, Parse parse) {
    double result = std::numeric_limits<double>::quiet_NaN();
    const char* text = g_kv9Lua.gettop(L) < 1 ? nullptr : g_kv9Lua.tostring(L, 1);
    if (text != nullptr) {
        try {
            result = parse(std::string(text, g_kv9Lua.strlen(L, 1)));
        } catch (...) {
            // no digits or out of range: NaN
        }
    }
    g_kv9Lua.pushnumber(L, result);
    return 1;
}

uint32_t parseHex32(const std::string& text) {
    // unsigned long is 32 bits here, so stoul itself refuses values past 0xFFFFFFFF.
    return static_cast<uint32_t>(std::stoul(text, nullptr, 16));
}

}  // namespace

int HexToInt32(LuaState* L) {
    return pushParsedHex(L, [](const std::string& text) {
        return static_cast<double>(static_cast<int32_t>(parseHex32(text)));
    });
}

int HexToUInt32(LuaState* L) {
    return pushParsedHex(L, [](const std::string& text) {
        return static_cast<double>(parseHex32(text));
    });
}

int HexToInt64(LuaState* L) {
    return pushParsedHex(L, [](const std::string& text) {
        return static_cast<double>(std::stoll(text, nullptr, 16));
    });
}

const std::vector<HexLuaFunction> hexLuaFunctions = {
    {"HexToInt32", HexToInt32},
    {"HexToUInt32", HexToUInt32},
    {"HexToInt64", HexToInt64},
};

}  // namespace Tovek::KV9Lua
