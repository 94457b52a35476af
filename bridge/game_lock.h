#pragma once

// The game's own lock around its object hash map, as found in the game's "ObjectDescription".

#include "bridge/bridge_state.h"

namespace Tovek::KV9Lua {

// Holds the game lock for its scope, so a walk left by an exception still unlocks.
class GameLockGuard {
public:
    GameLockGuard();
    ~GameLockGuard();
    GameLockGuard(const GameLockGuard&) = delete;
    GameLockGuard& operator=(const GameLockGuard&) = delete;
};

}  // namespace Tovek::KV9Lua
