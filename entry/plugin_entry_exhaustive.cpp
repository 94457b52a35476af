#include "bridge/plugin_host_api.h"
#include "bridge/whole_module_scans.h"
#include "entry/library_start.h"

// The benchmark's reference build's only export: every byte of the module is decoded.
extern "C" __declspec(dllexport) bool tovek_plugin_init(const PluginHostApi* host) {
    return Tovek::KV9Lua::startLibrary(host, Tovek::KV9Lua::kExhaustiveWholeModuleScans);
}
