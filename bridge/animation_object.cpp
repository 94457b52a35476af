#include "bridge/animation_object.h"

#include "bridge/animation_global_scan.h"
#include "bridge/bridge_state.h"
#include "bridge/fatal_error.h"
#include "bridge/game_memory.h"
#include "bridge/game_object_lookup.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace Tovek::KV9Lua {

std::atomic<uint32_t> g_animationLuaGlobal{0};

namespace {

std::mutex g_animationMutex;
// The distinct animation native functions offered so far, in order of arrival.
std::vector<lua_CFunction> g_animationLuaFunctions;

constexpr std::size_t kAnimationFunctionCount = 3;
constexpr uint32_t kContextMemberOffset = 0x128;
constexpr uint32_t kHolderOffset = 0xC;
constexpr uint32_t kCurrentObjectOffset = 0x138;
constexpr uint32_t kBaseIdOffset = 0xDC;
constexpr uint32_t kExpansionIdOffset = 0xE0;

struct CurrentGameObject {
    void* object;
    const char* message;
};

CurrentGameObject getAnimationCurrentGameObject() {
    const uint32_t global = g_animationLuaGlobal.load();
    if (global == 0) return {nullptr, "Animation lua global data not initialized"};
    const uint32_t data = readAt<uint32_t>(global);
    if (data == 0) return {nullptr, "Animation lua global data is null"};
    const uint32_t member = readAt<uint32_t>(data + kContextMemberOffset);
    if (member == 0) return {nullptr, "Animation lua global data member is null"};
    const uint32_t holder = readAt<uint32_t>(member + kHolderOffset);
    if (holder == 0) return {nullptr, "Animation lua global data game object holder is null"};
    const uint32_t object = readAt<uint32_t>(holder + kCurrentObjectOffset);
    if (object == 0) return {nullptr, "Animation lua global data current game object is null"};
    return {reinterpret_cast<void*>(object), nullptr};
}

int pushFailure(LuaState* L, const char* message) {
    g_kv9Lua.pushnil(L);
    g_kv9Lua.pushstring(L, message);
    return 2;
}

uint32_t addressOf(lua_CFunction function) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(function));
}

}  // namespace

void findAnimationLuaGlobal(lua_CFunction function) {
    try {
        const std::lock_guard lock(g_animationMutex);
        if (g_animationLuaGlobal.load() != 0) return;
        if (function == nullptr) throw std::runtime_error("Retrieved animation lua function is null!");
        if (std::find(g_animationLuaFunctions.begin(), g_animationLuaFunctions.end(), function) ==
            g_animationLuaFunctions.end()) {
            g_animationLuaFunctions.push_back(function);
        }
        if (g_animationLuaFunctions.size() < kAnimationFunctionCount) return;

        const ZydisDecoder decoder = makeLegacy32Decoder();
        const uint32_t global = scanGlobalFromCode(decoder, addressOf(g_animationLuaFunctions[0]));
        for (std::size_t i = 1; i < g_animationLuaFunctions.size(); ++i) {
            if (scanGlobalFromCode(decoder, addressOf(g_animationLuaFunctions[i])) != global) {
                throw std::runtime_error("Failed to determine animaton lua global variable address");
            }
        }
        g_animationLuaGlobal.exchange(global);
    } catch (...) {
        // Inside the game's own Lua call there is no way to report back: show it and stop.
        showFatalError(std::current_exception());
        std::abort();
    }
}

int AnimationLuaGetCurrentGameObjectAddress(LuaState* L) {
    const CurrentGameObject current = getAnimationCurrentGameObject();
    if (current.object == nullptr) return pushFailure(L, current.message);
    const auto text = printGameObjectAddress(current.object);
    g_kv9Lua.pushstring(L, text->data());
    return 1;
}

int AnimationLuaGetCurrentGameObjectId(LuaState* L) {
    const CurrentGameObject current = getAnimationCurrentGameObject();
    if (current.object == nullptr) return pushFailure(L, current.message);
    const uint32_t object = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(current.object));
    g_kv9Lua.pushnumber(L, readAt<uint32_t>(object + (g_isExpansion ? kExpansionIdOffset : kBaseIdOffset)));
    return 1;
}

}  // namespace Tovek::KV9Lua
