#include "rudiveruv/rudiveruv_lua.h"

namespace Zo::KV9RudiVeruv {

Tovek::KV9Lua::KV9Lua g_rudiVeruvLua{};
Tovek::KV9Lua::lua_CFunction g_luaDostring = nullptr;
uint32_t g_checkerRandomId = 0;

bool runGameDostring(LuaState* L, const char* text) {
    if (g_luaDostring == nullptr) return false;
    g_rudiVeruvLua.pushstring(L, text);
    g_rudiVeruvLua.pushstring(L, "?");
    g_luaDostring(L);
    return true;
}

}  // namespace Zo::KV9RudiVeruv
