#pragma once

// The script bridge's start-up, run once from the library's entry.

#include "bridge/lua_plugin_host.h"
#include "bridge/plugin_host_api.h"

namespace Tovek::KV9Lua {

// The script bridge's start-up sequence, starting the internal Lua plug-ins of the table. Throws
// on the first failing step; nothing done before it is undone.
void runStartup(const PluginHostApi& host, const InternalLuaPluginTable& plugins);

}  // namespace Tovek::KV9Lua
