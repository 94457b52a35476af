#pragma once

// Game objects by id for Lua: the game's object hash map, read under the game's own lock, which
// is found by decoding the game's "ObjectDescription".

#include "bridge/kv9_lua.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace Tovek::KV9Lua {

// The address of the game's GameObjects global; 0 until "ObjectDescription" was scanned.
extern std::atomic<uint32_t> g_gameObjectsGlobal;

// Decodes the game's ObjectDescription for the GameObjects global and the lock. Does not return
// on failure: shows the error box titled "Orrin" and exits the process.
uint32_t findGameObjectsAndLock(lua_CFunction objectDescription);

// "GameObject:%p" of an object, or nothing when it does not fit.
std::optional<std::array<char, 64>> printGameObjectAddress(const void* object);

int GetPlayerNameByObjId(LuaState* L);
int SetWorldBuilderThisPlayer(LuaState* L);
int GetGameObjectAddressByObjId(LuaState* L);
int ReadAllObjIds(LuaState* L);
int UseObjId(LuaState* L);

struct HexLuaFunction {
    const char* name;
    lua_CFunction function;
};
// HexToInt32, HexToUInt32, HexToInt64, in that order.
extern const std::vector<HexLuaFunction> hexLuaFunctions;

}  // namespace Tovek::KV9Lua
