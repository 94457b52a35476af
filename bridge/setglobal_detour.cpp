#include "bridge/setglobal_detour.h"

#include "bridge/animation_object.h"
#include "bridge/bridge_state.h"
#include "bridge/game_object_lookup.h"
#include "bridge/lua_registration.h"
#include "bridge/object_description_scan.h"

#include <exception>

namespace Tovek::KV9Lua {

std::unique_ptr<SetglobalCallbacks> g_setglobalCallbacks;
SetglobalDetourContext g_setglobalDetourContext;

void settleInitState(InitState outcome) {
    g_setglobalDetourContext.startupOutcome.store(outcome);
    g_setglobalDetourContext.startupOutcome.notify_all();
}

SetglobalCallbacks makeSetglobalCallbacks() {
    return {
        {"ObjectDescription", captureObjectDescription},
        {"CurDrawableModelcondition", captureCurDrawableModelcondition},
        {"CurDrawableObjectStatus", captureCurDrawableObjectStatus},
        {"CurDrawableGetCurrentTargetDistance", registerAnimationLuaFunctions},
        {"GetFrame", onGetFrame},
    };
}

namespace {

void reportToHost(const char* text) {
    if (g_setglobalDetourContext.hostLog != nullptr) g_setglobalDetourContext.hostLog(text);
}

// Below the detour are the game's C Lua frames: no exception may unwind into them. A failing
// callback is reported and the game goes on as if it had finished.
void runCallback(void (*callback)(LuaState*), LuaState* L) {
    try {
        callback(L);
    } catch (const std::exception& e) {
        reportToHost(e.what());
    } catch (...) {
        reportToHost("Unknown exception");
    }
}

}  // namespace

void setglobalDetour(LuaState* L, const char* name) {
    g_kv9Lua.setglobal(L, name);  // the game's own function: the global is assigned at once

    std::atomic<InitState>& outcome = g_setglobalDetourContext.startupOutcome;
    InitState state = outcome.load();
    while (state == InitState::running) {
        outcome.wait(InitState::running);
        state = outcome.load();
    }
    if (state != InitState::done) return;  // a failed start-up leaves the game on its own

    const auto callback = g_setglobalCallbacks->find(std::string_view(name));
    if (callback == g_setglobalCallbacks->end()) return;
    const int top = g_kv9Lua.gettop(L);
    runCallback(callback->second, L);
    g_kv9Lua.settop(L, top);
}

void captureObjectDescription(LuaState* L) {
    if (g_gameObjectsGlobal != 0) return;
    const uint32_t global = findGameObjectsAndLock(getGlobalCFunction(L, "ObjectDescription"));
    g_gameObjectsGlobal.exchange(global);
}

void captureCurDrawableModelcondition(LuaState* L) {
    findAnimationLuaGlobal(getGlobalCFunction(L, "CurDrawableModelcondition"));
}

void captureCurDrawableObjectStatus(LuaState* L) {
    findAnimationLuaGlobal(getGlobalCFunction(L, "CurDrawableObjectStatus"));
}

void onGetFrame(LuaState* L) { registerPluginLuaFunctions(L); }

}  // namespace Tovek::KV9Lua
