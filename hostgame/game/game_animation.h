#pragma once

// What the stand-in game's animation assembly defines.

#include "hostgame/game/lua_runtime.h"

#include <cstdint>

extern "C" {
// The game's animation Lua global: points to the animation context data, or 0.
extern uint32_t g_animationContextPtr;
// A second global of the same kind, read only by host_cur_drawable_other_global.
extern uint32_t g_otherAnimationContextPtr;

// The native functions of "CurDrawableModelcondition", "CurDrawableObjectStatus" and
// "CurDrawableGetCurrentTargetDistance"; each pushes nothing.
int host_cur_drawable_model_condition(lua_State* L);
int host_cur_drawable_object_status(lua_State* L);
int host_cur_drawable_target_distance(lua_State* L);
// Shaped like them, but reading g_otherAnimationContextPtr.
int host_cur_drawable_other_global(lua_State* L);
// Overwrites the loaded register before the +0x128 load; for the decoder only, never to be called.
int host_cur_drawable_register_overwritten(lua_State* L);
}

namespace HostGame {

struct AnimationLuaFunction {
    const char* name;
    lua_CFunction function;
};
// The game's three animation functions under their Lua names.
inline constexpr AnimationLuaFunction kAnimationLuaFunctions[] = {
    {"CurDrawableModelcondition", host_cur_drawable_model_condition},
    {"CurDrawableObjectStatus", host_cur_drawable_object_status},
    {"CurDrawableGetCurrentTargetDistance", host_cur_drawable_target_distance},
};

}  // namespace HostGame
