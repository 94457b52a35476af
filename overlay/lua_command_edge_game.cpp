// The Lua functions window's commands run in the game's remembered Lua state, on the game's
// Lua thread; the window does not wait for them.

#include "overlay/lua_command_edge.h"

#include "rudiveruv/lua_chunk_queue.h"

#include <utility>

namespace Zo::KV9RudiVeruv {

LuaCommandEdge g_luaCommandEdge{[](std::string scrambledChunk) {
    runLuaCode(std::move(scrambledChunk));  // the result is not shown: its future is dropped
}};

}  // namespace Zo::KV9RudiVeruv
