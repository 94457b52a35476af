#pragma once

// Where the Lua functions window hands its chunks: the game's Lua state in the plug-in, a
// recorder in tests.

#include <functional>
#include <string>

namespace Zo::KV9RudiVeruv {

struct LuaCommandEdge {
    // Runs a scrambled chunk; whatever it gives back is of no interest. Empty: nothing runs.
    std::function<void(std::string scrambledChunk)> runChunk;
};

extern LuaCommandEdge g_luaCommandEdge;

}  // namespace Zo::KV9RudiVeruv
