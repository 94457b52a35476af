#pragma once

// The game object of the running animation script, reached through the game's animation Lua
// global, which is found by decoding three of the game's native Lua functions.

#include "bridge/bridge_state.h"
#include "bridge/kv9_lua.h"

#include <atomic>
#include <cstdint>

namespace Tovek::KV9Lua {

// Offers one of the three animation native functions; the third distinct one runs the search.
// Does not return on failure: shows the error box titled "Orrin" and aborts.
void findAnimationLuaGlobal(lua_CFunction function);

int AnimationLuaGetCurrentGameObjectAddress(LuaState* L);
int AnimationLuaGetCurrentGameObjectId(LuaState* L);

}  // namespace Tovek::KV9Lua
