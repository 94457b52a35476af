#include "bridge/lua_plugin_host.h"

#include "bridge/lua_registration.h"

#include <stdexcept>
#include <unordered_map>

namespace Tovek::KV9Lua {

namespace {

using json = nlohmann::json;

// Every entry by its "name", a later duplicate replacing an earlier one.
std::unordered_map<std::string, json> indexEntries(const json& luaPluginData) {
    std::unordered_map<std::string, json> index;
    for (const json& element : luaPluginData) {
        try {
            index[element.at("name").get<std::string>()] = element;
        } catch (const std::exception& e) {
            throw std::runtime_error(std::string(e.what()) + ": \n" + element.dump());
        }
    }
    return index;
}

}  // namespace

std::vector<LuaStateEntry> loadLuaPlugins(const PluginHostApi& host, const KV9Lua* api,
                                          const json& luaPluginData,
                                          const InternalLuaPluginTable& plugins) {
    const auto index = indexEntries(luaPluginData);
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
    if (!entry.is_object()) {
        throw std::runtime_error("invalid json: luaPluginData must be array of objects: " +
                                 entry.dump());
    }
    pluginMessageChannel();
    const std::string customData =
        entry.contains("customData") ? entry["customData"].dump() : json::array({nullptr}).dump();
    const LuaPluginInterface plugin{host.hook,          host.log,          &registerLuaFunction,
                                    api,                customData.c_str(), &publishPluginMessage,
                                    &subscribePluginMessages};
    return init(&plugin);
}

}  // namespace Tovek::KV9Lua
