#include "bridge/lua_registration.h"

#include "bridge/animation_object.h"
#include "bridge/bridge_state.h"
#include "bridge/game_memory.h"
#include "bridge/game_objects.h"
#include "bridge/hex_lua_functions.h"
#include "bridge/lua40_layout.h"
#include "bridge/lua_function_edge.h"
#include "bridge/shared_data.h"

#include <cstdint>
#include <cstring>

namespace Tovek::KV9Lua {

namespace {

void setGlobalFunction(LuaState* L, const char* name, lua_CFunction function,
                       LuaFailureResult failure) {
    g_kv9Lua.pushcclosure(L, luaFunctionEdge(function, failure), 0);
    g_kv9Lua.setglobal(L, name);
}

// What a checker holds once set: the marker's edge, the very value its Lua function's global
// holds.
lua_CFunction checkerValue(lua_CFunction marker) {
    return luaFunctionEdge(marker, LuaFailureResult::nilAndMessage);
}

bool alreadyRegistered(LuaState* L, const char* checker, lua_CFunction marker) {
    const int top = g_kv9Lua.gettop(L);
    const lua_CFunction current = getGlobalCFunction(L, checker);
    g_kv9Lua.settop(L, top);
    return current == checkerValue(marker);
}

void markRegistered(LuaState* L, const char* checker, lua_CFunction marker) {
    registerLuaFunction(L, checker, marker);
}

}  // namespace

std::vector<void (*)(LuaState*)> g_pluginLuaStateEntries;

void registerLuaFunction(LuaState* L, const char* name, lua_CFunction function) {
    setGlobalFunction(L, name, function, LuaFailureResult::nilAndMessage);
}

lua_CFunction getGlobalCFunction(LuaState* L, const char* name) {
    g_kv9Lua.getglobal(L, name);
    const auto state = reinterpret_cast<uintptr_t>(L);
    const auto top = readAt<uintptr_t>(state + kLuaStateTopOffset);
    const auto base = readAt<uintptr_t>(state + kLuaStateBaseOffset);
    const auto count = static_cast<intptr_t>(top - base) / static_cast<intptr_t>(kLuaSlotSize);
    if (count <= 0) return nullptr;
    const uintptr_t slot = base + (count - 1) * kLuaSlotSize;
    if (readAt<int32_t>(slot + kLuaSlotTagOffset) != kLuaFunctionTag) return nullptr;
    const auto closure = readAt<uintptr_t>(slot + kLuaSlotValueOffset);
    if (closure == 0 || readAt<int16_t>(closure + kLuaClosureIsCOffset) != 1) return nullptr;
    return readAt<lua_CFunction>(closure + kLuaClosureFunctionOffset);
}

void registerPluginLuaFunctions(LuaState* L) {
    if (alreadyRegistered(L, "_tovek_lua_plugin_checker", SetWorldBuilderThisPlayer)) return;
    markRegistered(L, "_tovek_lua_plugin_checker", SetWorldBuilderThisPlayer);

    for (const auto entry : g_pluginLuaStateEntries) entry(L);
    for (const HexLuaFunction& hex : hexLuaFunctions) {
        setGlobalFunction(L, hex.name, hex.function, LuaFailureResult::notANumber);
    }
    g_sharedDataContext->store->clear();

    const struct {
        const char* name;
        lua_CFunction function;
    } library[] = {
        {"GetSharedData", GetSharedData},
        {"SetSharedData", SetSharedData},
        {"GetPlayerNameByObjId", GetPlayerNameByObjId},
        {"SetWorldBuilderThisPlayer", SetWorldBuilderThisPlayer},
        {"GetGameObjectAddressByObjId", GetGameObjectAddressByObjId},
        {"ReadAllObjIds", ReadAllObjIds},
        {"UseObjId", UseObjId},
    };
    for (const auto& row : library) registerLuaFunction(L, row.name, row.function);

    for (const LuaDefine& define : g_defines) {
        if (const double* number = std::get_if<double>(&define.value)) {
            g_kv9Lua.pushnumber(L, *number);
        } else {
            g_kv9Lua.pushstring(L, std::get<std::string>(define.value).c_str());
        }
        g_kv9Lua.setglobal(L, define.name.c_str());
    }
}

void registerAnimationLuaFunctions(LuaState* L) {
    const int top = g_kv9Lua.gettop(L);
    findAnimationLuaGlobal(getGlobalCFunction(L, "CurDrawableGetCurrentTargetDistance"));
    const lua_CFunction current = getGlobalCFunction(L, "_tovek_animation_lua_functions_checker");
    g_kv9Lua.settop(L, top);
    if (current == checkerValue(AnimationLuaGetCurrentGameObjectAddress)) return;
    markRegistered(L, "_tovek_animation_lua_functions_checker",
                   AnimationLuaGetCurrentGameObjectAddress);
    registerLuaFunction(L, "AnimationLuaGetCurrentGameObjectAddress",
                        AnimationLuaGetCurrentGameObjectAddress);
    registerLuaFunction(L, "AnimationLuaGetCurrentGameObjectId", AnimationLuaGetCurrentGameObjectId);
}

}  // namespace Tovek::KV9Lua
