#include "hostgame/demo/demo_session.h"

#include "hostgame/game/game_animation.h"
#include "hostgame/game/game_animation_chain.h"
#include "hostgame/game/game_patch_sites.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/game/game_world.h"

#include <cstdio>
#include <string>

namespace HostGame {

namespace {

void show(lua_State* L, const char* call, const char* name,
          std::initializer_list<ScriptArgument> arguments) {
    std::printf("  %-44s -> %s\n", call, resultOf(L, name, arguments).c_str());
}

void showObjectLibrary(lua_State* L) {
    std::printf("script: the game's objects by id\n");
    for (const WorldObject& object : kWorldObjects) {
        const std::string call = "GetPlayerNameByObjId(" + std::to_string(object.id) + ")";
        show(L, call.c_str(), "GetPlayerNameByObjId", {static_cast<double>(object.id)});
    }
    show(L, "GetPlayerNameByObjId(99)", "GetPlayerNameByObjId", {99.0});
    show(L, "GetGameObjectAddressByObjId(7)", "GetGameObjectAddressByObjId", {7.0});
    HostLua::Table* ids = HostLua::pushNewTable(L);
    --L->top;
    show(L, "ReadAllObjIds(ids)", "ReadAllObjIds", {ids});
    std::string listed;
    for (const HostLua::Value& id : ids->array) listed += " " + describe(id);
    std::printf("  %-44s -> {%s }\n", "ids", listed.c_str());
    HostLua::Table* tagged = HostLua::pushNewTable(L);
    --L->top;
    show(L, "UseObjId(t, 7)", "UseObjId", {tagged, 7.0});
    show(L, "GetPlayerNameByObjId(t)", "GetPlayerNameByObjId", {tagged});
    show(L, "SetWorldBuilderThisPlayer(3)", "SetWorldBuilderThisPlayer", {3.0});
    show(L, "SetWorldBuilderThisPlayer(\"PlayerPointer:0\")", "SetWorldBuilderThisPlayer",
         {std::string("PlayerPointer:0")});
    std::printf("  game lock: %u locks, %u unlocks, %u faults\n",
                static_cast<unsigned>(g_objectsLockCalls),
                static_cast<unsigned>(g_objectsUnlockCalls),
                static_cast<unsigned>(g_objectsLockFaults));
}

void showOtherFunctions(lua_State* L) {
    std::printf("script: hexadecimal parsing, shared data and the defines\n");
    show(L, "HexToInt32(\"ffffffff\")", "HexToInt32", {std::string("ffffffff")});
    show(L, "HexToUInt32(\"0x1f\")", "HexToUInt32", {std::string("0x1f")});
    show(L, "HexToInt64(\"7fffffffffffffff\")", "HexToInt64", {std::string("7fffffffffffffff")});
    show(L, "SetSharedData(\"score\", 42)", "SetSharedData", {std::string("score"), 42.0});
    show(L, "GetSharedData(\"score\")", "GetSharedData", {std::string("score")});
    std::printf("  %-44s -> %s, %s\n", "DEMO_NAME, DEMO_SPEED",
                describe(L->globals["DEMO_NAME"]).c_str(),
                describe(L->globals["DEMO_SPEED"]).c_str());
}

void showAnimationObject(lua_State* L, GameWorld& world) {
    std::printf("script: the object of the running animation script\n");
    AnimationContextChain chain;
    chain.setCurrentObject(world.object(11));
    for (const auto& [name, function] : kAnimationLuaFunctions) {
        assignGlobalFunction(L, name, function);
    }
    show(L, "AnimationLuaGetCurrentGameObjectId()", "AnimationLuaGetCurrentGameObjectId", {});
    show(L, "AnimationLuaGetCurrentGameObjectAddress()", "AnimationLuaGetCurrentGameObjectAddress",
         {});
}

}  // namespace

void showCameraRangeChecks() {
    std::printf("game: the camera's range checks load");
    for (const CameraRangeCheckSite& site : kCameraRangeCheckSites) std::printf(" %.1f", site.check());
    std::printf("\n");
}

void runDemoScriptSession() {
    GameWorld world(Edition::Base);
    auto state = newGameState();
    lua_State* L = state.get();
    assignGlobalFunction(L, "ObjectDescription", host_object_description);
    assignGlobalFunction(L, "GetFrame", host_base_noop);
    std::printf("script: assigned \"ObjectDescription\" and \"GetFrame\"; the library is %s\n",
                hasGlobal(L, "_tovek_lua_plugin_checker", HostLua::kFunction) ? "registered"
                                                                               : "MISSING");
    showObjectLibrary(L);
    showOtherFunctions(L);
    showAnimationObject(L, world);
}

}  // namespace HostGame
