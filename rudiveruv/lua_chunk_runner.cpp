#include "rudiveruv/lua_chunk_runner.h"

#include "bridge/lua40_layout.h"

#include <cstdint>

namespace Zo::KV9RudiVeruv {

namespace {

using Tovek::KV9Lua::kLuaNumberTag;

void unscramble(std::string& text) {
    for (char& byte : text) {
        byte = static_cast<char>(static_cast<uint8_t>(byte) - kScriptScrambleOffset);
    }
}

// The chunk's first result, at position 3 above dostring's two arguments.
LuaChunkResult firstResult(LuaState* L) {
    if (g_rudiVeruvLua.gettop(L) <= 2) return {};
    if (g_rudiVeruvLua.type(L, 3) == kLuaNumberTag) return g_rudiVeruvLua.tonumber(L, 3);
    if (const char* text = g_rudiVeruvLua.tostring(L, 3)) {
        return std::string(text, g_rudiVeruvLua.strlen(L, 3));
    }
    return {};
}

}  // namespace

LuaChunkResult runLuaChunk(LuaState* L, std::string& scrambledCode) {
    if (g_rudiVeruvLua.gettop(L) != 0) return {};
    unscramble(scrambledCode);
    if (!runGameDostring(L, scrambledCode.c_str())) return {};
    LuaChunkResult result = firstResult(L);
    g_rudiVeruvLua.settop(L, 0);
    return result;
}

}  // namespace Zo::KV9RudiVeruv
