#include "bridge/lua_plugin_host.h"

#include "bridge/lua_plugin_entries.h"
#include "bridge/lua_registration.h"

#include <stdexcept>

namespace Tovek::KV9Lua {

using json = nlohmann::json;

std::vector<LuaStateEntry> loadLuaPlugins(const PluginHostApi& host, const KV9Lua* api,
                                          const json& luaPluginData,
                                          const InternalLuaPluginTable& plugins) {
    const auto index = indexLuaPluginEntries(luaPluginData);
    std::vector<LuaStateEntry> entries;
    for (const auto& [name, plugin] : plugins) {
        host.log(("loading internal lua plugin: " + name).c_str());
        const auto entry = index.find(name);
        if (entry == index.end()) throw std::out_of_range("json does not have entry for " + name);
        if (!startLuaPlugin(host, api, plugin.init, entry->second)) {
            throw std::runtime_error("Failed to initialize plugin " + name);
        }
        // Output plug-ins see every Lua state before the others do.
        if (name.find("OutputPlugin") != std::string::npos) {
            entries.insert(entries.begin(), plugin.luaStateEntry);
        } else {
            entries.push_back(plugin.luaStateEntry);
        }
        host.log(("lua plugin " + name + " loaded").c_str());
    }
    return entries;
}

bool startLuaPlugin(const PluginHostApi& host, const KV9Lua* api,
                    bool (*init)(const LuaPluginInterface*), const json& entry) {
    const std::string customData = luaPluginCustomData(entry);
    pluginMessageChannel();
    const LuaPluginInterface plugin{host.hook,          host.log,          &registerLuaFunction,
                                    api,                customData.c_str(), &publishPluginMessage,
                                    &subscribePluginMessages};
    return init(&plugin);
}

}  // namespace Tovek::KV9Lua
