#pragma once

// The "luaPluginData" entries of the host's custom data, as the plug-in host reads them.

#include <nlohmann/json.hpp>

#include <string>
#include <unordered_map>

namespace Tovek::KV9Lua {

// The custom data's "luaPluginData"; a missing key throws the JSON library's error, anything
// but an array "invalid json: luaPluginData must be array".
const nlohmann::json& luaPluginDataOf(const nlohmann::json& config);

// Every entry by its "name", a later duplicate replacing an earlier one. An entry without a
// string "name" throws the JSON library's error followed by the entry's text.
std::unordered_map<std::string, nlohmann::json> indexLuaPluginEntries(
    const nlohmann::json& luaPluginData);

// The text handed to a plug-in's init: its entry's "customData", or "[null]" without one.
// An entry that is not an object throws.
std::string luaPluginCustomData(const nlohmann::json& entry);

}  // namespace Tovek::KV9Lua
