#pragma once

// The game's own lock around its object hash map, as found in the game's "ObjectDescription".

#include <cstdint>

namespace Tovek::KV9Lua {

// The game's lock and unlock: member functions of its sync object that pop their one argument.
using GameLockFunction = void(__thiscall*)(void* self, uint32_t argument);

// Written once, by findGameObjectsAndLock, before g_gameObjectsGlobal is published.
extern uint32_t g_gameSyncObject;
extern uint32_t g_gameLockArgument;
extern GameLockFunction g_gameLock;
extern GameLockFunction g_gameUnlock;

// Holds the game lock for its scope, so a walk left by an exception still unlocks.
class GameLockGuard {
public:
    GameLockGuard();
    ~GameLockGuard();
    GameLockGuard(const GameLockGuard&) = delete;
    GameLockGuard& operator=(const GameLockGuard&) = delete;
};

}  // namespace Tovek::KV9Lua
