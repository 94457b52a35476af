#include "hostgame/loader/api_fields.h"

#include "hostgame/game/game_symbols.h"

namespace HostGame {

namespace {

template <typename F>
uintptr_t address(F* function) {
    return reinterpret_cast<uintptr_t>(function);
}

}  // namespace

std::vector<ApiField> standInApiFields(const Tovek::KV9Lua::KV9Lua& api) {
    return {
        {"gettop", address(api.gettop), address(&lua_gettop)},
        {"settop", address(api.settop), address(&lua_settop)},
        {"tonumber", address(api.tonumber), address(&lua_tonumber)},
        {"tostring", address(api.tostring), address(&lua_tostring)},
        {"strlen", address(api.strlen), address(&lua_strlen)},
        {"pushcclosure", address(api.pushcclosure), address(&lua_pushcclosure)},
        {"pushnil", address(api.pushnil), address(&lua_pushnil)},
        {"pushnumber", address(api.pushnumber), address(&lua_pushnumber)},
        {"pushstring", address(api.pushstring), address(&lua_pushstring)},
        {"pushvalue", address(api.pushvalue), address(&lua_pushvalue)},
        {"setglobal", address(api.setglobal), address(&lua_setglobal)},
        {"getglobal", address(api.getglobal), address(&lua_getglobal)},
        {"type", address(api.type), address(&lua_type)},
        {"baseLibEntries", address(api.baseLibEntries), address(g_baseLibArray)},
    };
}

}  // namespace HostGame
