#pragma once

// The detour of the game's lua_setglobal: five global names trigger the plug-in's work.

#include "bridge/fnv1a.h"
#include "bridge/kv9_lua.h"

#include <memory>
#include <string_view>
#include <unordered_map>

namespace Tovek::KV9Lua {

using SetglobalCallbacks =
    std::unordered_map<std::string_view, void (*)(LuaState*), Fnv1aHash>;

extern std::unique_ptr<SetglobalCallbacks> g_setglobalCallbacks;

SetglobalCallbacks makeSetglobalCallbacks();

void setglobalDetour(LuaState* L, const char* name);

void captureObjectDescription(LuaState* L);
void captureCurDrawableModelcondition(LuaState* L);
void captureCurDrawableObjectStatus(LuaState* L);
void onGetFrame(LuaState* L);

}  // namespace Tovek::KV9Lua
