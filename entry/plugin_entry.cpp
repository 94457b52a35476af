#include "bridge/entry_boundary.h"
#include "bridge/plugin_host_api.h"
#include "bridge/startup.h"
#include "entry/internal_lua_plugins.h"

// The library's only export.
extern "C" __declspec(dllexport) bool tovek_plugin_init(const PluginHostApi* host) {
    // Without a block or its log routine there is nothing to report to: refused before the
    // called-once guard, so the one call stays for a loader that has both.
    if (host == nullptr || host->log == nullptr) return false;
    return Tovek::KV9Lua::runLoggingFailure(
        [host] { Tovek::KV9Lua::runStartup(*host, Tovek::KV9Lua::internalLuaPlugins()); },
        host->log, "Unknown exception");
}
