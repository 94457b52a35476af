// Without a game there is no Lua state: the Lua functions window's commands run nowhere unless
// a test puts its own runner in.

#include "overlay/lua_command_edge.h"

namespace Zo::KV9RudiVeruv {

LuaCommandEdge g_luaCommandEdge;

}  // namespace Zo::KV9RudiVeruv
