#include "bridge/game_lock.h"

namespace Tovek::KV9Lua {

uint32_t g_gameSyncObject = 0;
uint32_t g_gameLockArgument = 0;
GameLockFunction g_gameLock = nullptr;
GameLockFunction g_gameUnlock = nullptr;

namespace {

void* syncObject() { return reinterpret_cast<void*>(static_cast<uintptr_t>(g_gameSyncObject)); }

}  // namespace

GameLockGuard::GameLockGuard() { g_gameLock(syncObject(), g_gameLockArgument); }

GameLockGuard::~GameLockGuard() { g_gameUnlock(syncObject(), 1); }

}  // namespace Tovek::KV9Lua
