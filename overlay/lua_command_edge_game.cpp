// The Lua functions window's commands run in the game's remembered Lua state.

#include "overlay/lua_command_edge.h"

#include "rudiveruv/lua_chunk_runner.h"

#include <utility>

namespace Zo::KV9RudiVeruv {

LuaCommandEdge g_luaCommandEdge{[](std::string scrambledChunk) {
    runLuaCode(std::move(scrambledChunk));  // the result is not shown
}};

}  // namespace Zo::KV9RudiVeruv
