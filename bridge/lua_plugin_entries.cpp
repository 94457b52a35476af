#include "bridge/lua_plugin_entries.h"

#include <exception>
#include <stdexcept>

namespace Tovek::KV9Lua {

using json = nlohmann::json;

const json& luaPluginDataOf(const json& config) {
    const json& luaPluginData = config.at("luaPluginData");
    if (!luaPluginData.is_array()) {
        throw std::runtime_error("invalid json: luaPluginData must be array");
    }
    return luaPluginData;
}

std::unordered_map<std::string, json> indexLuaPluginEntries(const json& luaPluginData) {
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

std::string luaPluginCustomData(const json& entry) {
    if (!entry.is_object()) {
        throw std::runtime_error("invalid json: luaPluginData must be array of objects: " +
                                 entry.dump());
    }
    return entry.contains("customData") ? entry["customData"].dump() : json::array({nullptr}).dump();
}

}  // namespace Tovek::KV9Lua
