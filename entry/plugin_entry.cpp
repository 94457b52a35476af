#include "bridge/plugin_host_api.h"
#include "bridge/startup.h"
#include "entry/internal_lua_plugins.h"

#include <exception>

// The library's only export. No exception may leave it: the DLL has its own unwinder.
extern "C" __declspec(dllexport) bool tovek_plugin_init(const PluginHostApi* host) {
    // Without a block there is no log to report to; the one call stays for a loader that has one.
    if (host == nullptr) return false;
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
