#include "overlay/lua_command_edge.h"

#include "rudiveruv/lua_chunk_queue.h"

#include <utility>

namespace Zo::KV9RudiVeruv {

// The window does not wait for its commands.
LuaCommandEdge gameLuaCommandEdge() {
    return {[](std::string scrambledChunk) {
        runLuaCode(std::move(scrambledChunk));  // the result is not shown: its future is dropped
    }};
}

}  // namespace Zo::KV9RudiVeruv
