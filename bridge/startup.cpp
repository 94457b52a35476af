#include "bridge/startup.h"

#include "bridge/bridge_globals.h"
#include "bridge/cache_file.h"
#include "bridge/defines.h"
#include "bridge/expansion_flag.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

namespace Tovek::KV9Lua {

void runStartup(const PluginHostApi& host) {
    if (g_bridgeInitCalled.exchange(1) != 0) throw std::logic_error("already called");
    if (host.customData == nullptr) throw std::runtime_error("no custom data provided");

    host.log("Initializing KV9 lua bridge");
    nlohmann::json config = nlohmann::json::parse(host.customData);

    g_isExpansion.store(decideExpansionFlag(config));

    host.log("Retrieving cache");
    PointersCache cache = loadPointersCache(config, host.log);

    host.log("Completing initialization");
    g_kv9Lua = KV9Lua::initialize(cache);

    readDefines(config, g_defines);

    savePointersCache(config, cache);

    g_initDone.store(true);
    g_initDone.notify_all();
}

}  // namespace Tovek::KV9Lua
