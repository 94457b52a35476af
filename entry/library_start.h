#pragma once

// The body of the library's only export, shared by the shipped plug-in and the benchmark's
// reference build: they differ only in the whole-module scans they hand the start-up.

#include "bridge/plugin_host_api.h"
#include "bridge/whole_module_scans.h"

namespace Tovek::KV9Lua {

// The script bridge's start-up with the internal Lua plug-ins and scans; false when it failed,
// after its message went to the host's log.
bool startLibrary(const PluginHostApi* host, const WholeModuleScans& scans);

}  // namespace Tovek::KV9Lua
