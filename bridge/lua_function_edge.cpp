#include "bridge/lua_function_edge.h"

#include "bridge/bridge_state.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <limits>
#include <mutex>
#include <utility>

namespace Tovek::KV9Lua {

namespace {

// The interpreter calls a native function with nothing but the state, so each edge is a
// function of its own that knows its slot.
constexpr std::size_t kEdgeCount = 128;

struct EdgeSlot {
    std::atomic<lua_CFunction> function{nullptr};  // published after failure is written
    LuaFailureResult failure = LuaFailureResult::nilAndMessage;
};

std::array<EdgeSlot, kEdgeCount> g_edgeSlots;
// A leaf lock: nothing is called under it.
std::mutex g_edgeSlotsMutex;

template <std::size_t Slot>
int edgeAt(LuaState* L) {
    const EdgeSlot& slot = g_edgeSlots[Slot];
    return callAtLuaEdge(L, slot.function.load(std::memory_order_acquire), slot.failure);
}

template <std::size_t... Slots>
constexpr std::array<lua_CFunction, sizeof...(Slots)> makeEdges(std::index_sequence<Slots...>) {
    return {&edgeAt<Slots>...};
}

constexpr std::array<lua_CFunction, kEdgeCount> kEdges =
    makeEdges(std::make_index_sequence<kEdgeCount>{});

// No allocation here: the failure may be the allocator's.
int pushFailure(LuaState* L, int top, LuaFailureResult failure, const char* what) {
    g_kv9Lua.settop(L, top);
    if (failure == LuaFailureResult::notANumber) {
        g_kv9Lua.pushnumber(L, std::numeric_limits<double>::quiet_NaN());
        return 1;
    }
    char message[256];
    std::snprintf(message, sizeof message, "Error: %s", what);
    g_kv9Lua.pushnil(L);
    g_kv9Lua.pushstring(L, message);
    return 2;
}

int tooManyFunctions(LuaState* L) {
    g_kv9Lua.pushnil(L);
    g_kv9Lua.pushstring(L, "Error: too many native Lua functions");
    return 2;
}

}  // namespace

int callAtLuaEdge(LuaState* L, lua_CFunction function, LuaFailureResult failure) noexcept {
    const int top = g_kv9Lua.gettop(L);
    try {
        return function(L);
    } catch (const std::exception& e) {
        return pushFailure(L, top, failure, e.what());
    } catch (...) {
        return pushFailure(L, top, failure, "Unknown exception");
    }
}

lua_CFunction luaFunctionEdge(lua_CFunction function, LuaFailureResult failure) {
    const std::lock_guard lock(g_edgeSlotsMutex);
    for (std::size_t i = 0; i < kEdgeCount; ++i) {
        EdgeSlot& slot = g_edgeSlots[i];
        const lua_CFunction taken = slot.function.load(std::memory_order_relaxed);
        if (taken == nullptr) {
            slot.failure = failure;
            slot.function.store(function, std::memory_order_release);
            return kEdges[i];
        }
        if (taken == function && slot.failure == failure) return kEdges[i];
    }
    return tooManyFunctions;
}

}  // namespace Tovek::KV9Lua
