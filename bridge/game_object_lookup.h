#pragma once

// Game objects by the id that Lua argument 1 names, read from the game's object hash map.

#include "bridge/bridge_state.h"
#include "bridge/kv9_lua.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace Tovek::KV9Lua {

// "GameObject:%p" of an object, or nothing when it does not fit.
std::optional<std::array<char, 64>> printGameObjectAddress(const void* object);

// Exactly one of the two is non-null.
struct GameObjectsManagerLookup {
    const uint8_t* manager;
    const char* error;
};
struct GameObjectLookup {
    void* object;
    const char* error;
};
struct PlayerLookup {
    void* player;
    const char* error;
};

// The manager that the GameObjects global holds.
GameObjectsManagerLookup getGameObjectsManager();

// The object whose id is Lua argument 1, looked up under the game lock.
GameObjectLookup getGameObjectById(LuaState* L);

// The owning player of that object.
PlayerLookup getPlayerOfGameObject(LuaState* L);

// Every id in the manager's map, in bucket order, then chain order; read under the game lock.
std::vector<uint32_t> collectGameObjectIds(const uint8_t* manager);

// The id of a number argument: truncated to a signed 64-bit integer, low 32 bits; 0 for NaN
// and values outside the 64-bit range.
uint32_t objectIdOfNumber(double number);

// The object-id word inside the game's table at a stack index that holds a table.
uint32_t* tableObjectIdWord(LuaState* L, int index);

// True for the game's base-library entry named exactly "tinsert".
bool isTinsertEntry(const LuaReg& entry);

}  // namespace Tovek::KV9Lua
