// The hexadecimal parsers for Lua: NaN for anything that is not a hexadecimal number.

#include "bridge/hex_lua_functions.h"

#include "bridge/bridge_state.h"
#include "bridge/hex_parsers.h"

#include <limits>
#include <string>

namespace Tovek::KV9Lua {

namespace {

int pushParsedHex(LuaState* L, double (*parse)(const std::string&)) {
    double result = std::numeric_limits<double>::quiet_NaN();
    const char* text = g_kv9Lua.gettop(L) < 1 ? nullptr : g_kv9Lua.tostring(L, 1);
    if (text != nullptr) result = parse(std::string(text, g_kv9Lua.strlen(L, 1)));
    g_kv9Lua.pushnumber(L, result);
    return 1;
}

}  // namespace

int HexToInt32(LuaState* L) { return pushParsedHex(L, hexToInt32); }

int HexToUInt32(LuaState* L) { return pushParsedHex(L, hexToUInt32); }

int HexToInt64(LuaState* L) { return pushParsedHex(L, hexToInt64); }

const std::vector<HexLuaFunction> hexLuaFunctions = {
    {"HexToInt32", HexToInt32},
    {"HexToUInt32", HexToUInt32},
    {"HexToInt64", HexToInt64},
};

}  // namespace Tovek::KV9Lua
