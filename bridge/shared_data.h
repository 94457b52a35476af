#pragma once

// One key/value table for all game scripts of the process: GetSharedData / SetSharedData.

#include "bridge/bridge_state.h"
#include "bridge/fnv1a.h"
#include "bridge/kv9_lua.h"
#include "bridge/lua_define.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace Tovek::KV9Lua {

struct SharedDataStore {
    SharedDataStore();

    std::recursive_mutex mutex;
    std::unordered_map<std::string, LuaValue, Fnv1aHash> values;

    // A copy, so that nothing is pushed into Lua under the lock: a Lua error during a push is
    // a longjmp that would skip the unlock.
    std::optional<LuaValue> find(const std::string& key);
    std::size_t erase(const std::string& key);
    void clear();
};

struct SharedDataContext {
    KV9Lua api;  // a copy taken when the context is created
    std::unique_ptr<SharedDataStore> store;

    std::optional<std::string> readStringArgument(LuaState* L, int index) const;
    int getSharedData(LuaState* L);
    int setSharedData(LuaState* L);
};

int GetSharedData(LuaState* L);
int SetSharedData(LuaState* L);

}  // namespace Tovek::KV9Lua
