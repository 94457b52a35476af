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

// The plug-in's: each chunk runs in the game's remembered Lua state, on the game's Lua thread
// (lua_command_edge_game.cpp, not in the native build).
LuaCommandEdge gameLuaCommandEdge();

}  // namespace Zo::KV9RudiVeruv
