#pragma once

// The Lua plug-ins built into this library, by name, in the order the start-up starts them.

#include "bridge/lua_plugin_host.h"

namespace Tovek::KV9Lua {

InternalLuaPluginTable internalLuaPlugins();

}  // namespace Tovek::KV9Lua
