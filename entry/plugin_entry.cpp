#include "bridge/plugin_host_api.h"
#include "bridge/startup.h"
#include "entry/internal_lua_plugins.h"

#include <exception>

// The library's only export. No exception may leave it: the DLL has its own unwinder.
extern "C" __declspec(dllexport) bool tovek_plugin_init(const PluginHostApi* host) {
    // Without a block or its log routine there is nothing to report to: refused before the
    // called-once guard, so the one call stays for a loader that has both.
    if (host == nullptr || host->log == nullptr) return false;
    try {
        Tovek::KV9Lua::runStartup(*host, Tovek::KV9Lua::internalLuaPlugins());
        return true;
    } catch (const std::exception& e) {
        host->log(e.what());
    } catch (...) {
        host->log("Unknown exception");
    }
    return false;
}
