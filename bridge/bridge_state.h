#pragma once

// The script bridge's process-wide state, grouped by the code that owns it. Each lives for the
// whole process; the definitions stay beside their owners, named in each group's heading.

#include "bridge/fnv1a.h"
#include "bridge/kv9_lua.h"
#include "bridge/lua_define.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Tovek::KV9Lua {

struct SharedDataContext;  // shared_data.h

// --- What the start-up fills (bridge_globals.cpp) -----------------------------------------

extern std::atomic<int> g_bridgeInitCalled;
extern std::atomic<bool> g_isExpansion;
extern KV9Lua g_kv9Lua;
// The game's WorldBuilder this-player global: it points to the holder of the this-player slot.
extern uint32_t g_thisPlayerGlobal;
extern std::vector<LuaDefine> g_defines;

// --- The setglobal detour: its callbacks, its view of the start-up (setglobal_detour.cpp) ---

using SetglobalCallbacks =
    std::unordered_map<std::string_view, void (*)(LuaState*), Fnv1aHash>;
extern std::unique_ptr<SetglobalCallbacks> g_setglobalCallbacks;

// How far the start-up got. Game Lua threads in the setglobal detour wait while it is running;
// a start-up that failed releases them too, and the detour then passes calls straight through.
enum class InitState : int { running, done, failed };

// What the start-up leaves the detour: its outcome (settleInitState) and the host's log routine
// from the host block, kept for what goes wrong later on a game thread (null before the
// start-up).
struct SetglobalDetourContext {
    std::atomic<InitState> startupOutcome{InitState::running};
    void (*hostLog)(const char* text) = nullptr;
};
extern SetglobalDetourContext g_setglobalDetourContext;

// --- Registration in each game Lua state (lua_registration.cpp) -----------------------------

// The plug-ins' per-Lua-state entries, in calling order (filled by the start-up).
extern std::vector<void (*)(LuaState*)> g_pluginLuaStateEntries;

// --- GetSharedData and SetSharedData (shared_data.cpp) ---------------------------------------

extern std::unique_ptr<SharedDataContext> g_sharedDataContext;

// --- The game-object functions: what the "ObjectDescription" scan found ----------------------

// The address of the game's GameObjects global; 0 until "ObjectDescription" was scanned
// (game_object_lookup.cpp).
extern std::atomic<uint32_t> g_gameObjectsGlobal;

// The game's lock and unlock: member functions of its sync object that pop their one argument.
using GameLockFunction = void(__thiscall*)(void* self, uint32_t argument);
// Written once, by findGameObjectsAndLock, before g_gameObjectsGlobal is published
// (game_lock.cpp).
extern uint32_t g_gameSyncObject;
extern uint32_t g_gameLockArgument;
extern GameLockFunction g_gameLock;
extern GameLockFunction g_gameUnlock;

// --- The animation functions: the game's animation Lua global (animation_object.cpp) ---------

extern std::atomic<uint32_t> g_animationLuaGlobal;

// --- The camera range-limit patch (range_limit_patch.cpp) ------------------------------------

// The plug-in's wider camera range limit; its address is written into the game's code.
extern const float g_extendedRangeLimit;

}  // namespace Tovek::KV9Lua
