#pragma once

// The Lua functions over game objects by id: player names, the WorldBuilder this-player, object
// addresses and the list of every id.

#include "bridge/kv9_lua.h"

namespace Tovek::KV9Lua {

int GetPlayerNameByObjId(LuaState* L);
int SetWorldBuilderThisPlayer(LuaState* L);
int GetGameObjectAddressByObjId(LuaState* L);
int ReadAllObjIds(LuaState* L);
int UseObjId(LuaState* L);

}  // namespace Tovek::KV9Lua
