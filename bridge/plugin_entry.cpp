#include "bridge/plugin_host_api.h"
#include "bridge/startup.h"

#include <exception>

// The library's only export. No exception may leave it: the DLL has its own unwinder.
extern "C" __declspec(dllexport) bool tovek_plugin_init(const PluginHostApi* host) {
    try {
        Tovek::KV9Lua::runStartup(*host);
        return true;
    } catch (const std::exception& e) {
        host->log(e.what());
    } catch (...) {
        host->log("Unknown exception");
    }
    return false;
}
