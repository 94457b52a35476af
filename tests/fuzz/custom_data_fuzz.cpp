// The host's custom data, read the way the start-up reads it: the JSON text, the expansion flag,
// the cache location, the Lua plug-ins' entries and the defines. Refusals are exceptions with a
// message; anything else that goes wrong is a finding.

#include "bridge/cache_file.h"
#include "bridge/defines.h"
#include "bridge/expansion_flag.h"
#include "bridge/lua_plugin_entries.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

using namespace Tovek::KV9Lua;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const nlohmann::json config = nlohmann::json::parse(text);
        decideExpansionFlag(config, "C:/Games/KV9EP1/game.exe");
        readCacheConfig(config);
        for (const auto& [name, entry] : indexLuaPluginEntries(luaPluginDataOf(config))) {
            luaPluginCustomData(entry);
        }
        std::vector<LuaDefine> defines;
        readDefines(config, defines);
    } catch (const std::exception&) {
        // a refusal the start-up reports through the host's log
    }
    return 0;
}
