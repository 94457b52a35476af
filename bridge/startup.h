#pragma once

// The script bridge's start-up, run once from the library's entry.

#include "bridge/lua_plugin_host.h"
#include "bridge/plugin_host_api.h"
#include "bridge/whole_module_scans.h"

namespace Tovek::KV9Lua {

// What the library's entry hands the start-up: the internal Lua plug-ins it starts, and the
// whole-module scans it runs on a cold cache.
struct StartupEdges {
    InternalLuaPluginTable plugins;
    WholeModuleScans scans;
};

// The script bridge's start-up sequence. Throws on the first failing step; nothing done before
// it is undone.
void runStartup(const PluginHostApi& host, const StartupEdges& edges);

}  // namespace Tovek::KV9Lua
