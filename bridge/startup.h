#pragma once

#include "bridge/plugin_host_api.h"

namespace Tovek::KV9Lua {

// The script bridge's start-up sequence. Throws on the first failing step; nothing done before
// it is undone.
void runStartup(const PluginHostApi& host);

}  // namespace Tovek::KV9Lua
