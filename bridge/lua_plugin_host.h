#pragma once

// The internal Lua plug-ins: matched to their "luaPluginData" entries, started with their
// interface block, and their per-Lua-state entries handed back in calling order.

#include "bridge/kv9_lua.h"
#include "bridge/plugin_host_api.h"
#include "bridge/plugin_message_channel.h"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace Tovek::KV9Lua {

using LuaStateEntry = void (*)(LuaState*);

struct LuaPluginInterface {
    HookRoutine hook;
    void (*log)(const char* text);
    void (*registerLuaFunction)(LuaState* L, const char* name, lua_CFunction function);
    const KV9Lua* api;
    const char* customData;  // valid only while init runs
    void (*publish)(const char* text, uint32_t value);
    void (*subscribe)(PluginMessageCallback callback);
};

struct InternalLuaPlugin {
    bool (*init)(const LuaPluginInterface* plugin);
    LuaStateEntry luaStateEntry;
};

// Rows by plug-in name, started in this order.
using InternalLuaPluginTable = std::vector<std::pair<std::string, InternalLuaPlugin>>;

std::vector<LuaStateEntry> loadLuaPlugins(const PluginHostApi& host, const KV9Lua* api,
                                          const nlohmann::json& luaPluginData,
                                          const InternalLuaPluginTable& plugins);

bool startLuaPlugin(const PluginHostApi& host, const KV9Lua* api,
                    bool (*init)(const LuaPluginInterface*), const nlohmann::json& entry);

}  // namespace Tovek::KV9Lua
