#pragma once

// Reading the game's "ObjectDescription" for the GameObjects global and the game lock.

#include "bridge/code_scan.h"
#include "bridge/game_lock.h"
#include "bridge/kv9_lua.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace Tovek::KV9Lua {

struct ObjectDescriptionFindings {
    uint32_t gameObjectsGlobal;
    uint32_t syncObject;
    uint32_t lockArgument;
    GameLockFunction lock;
    GameLockFunction unlock;
};

// Follows ObjectDescription's load of the global, lock call, map access and unlock call in its
// first 256 bytes; throws with the step's message when the code has another shape.
ObjectDescriptionFindings scanObjectDescription(lua_CFunction objectDescription);

// Decodes the game's ObjectDescription for the GameObjects global and the lock. Does not return
// on failure: shows the error box titled "Orrin" and exits the process.
uint32_t findGameObjectsAndLock(lua_CFunction objectDescription);

// The non-relative immediate of operand n, or nothing for another operand kind. Throws
// std::out_of_range when the operand is missing and std::range_error above 0x7FFFFFFF.
std::optional<uint32_t> readOperandImmediate(const ScannedInstruction& scanned, std::size_t n);

}  // namespace Tovek::KV9Lua
