#pragma once

// The time-pause plug-in joined to the overlay above it: what the plug-in reaches of the
// overlay, and its start with it.

#include "bridge/lua_plugin_host.h"
#include "rudiveruv/time_pause_edges.h"

namespace Zo::KV9RudiVeruv {

// The overlay's Output log, options, device detours and timed events, and the plug-in's own
// thread starter.
TimePauseEdges timePauseOverlayEdges();

// The init of the internal plug-in "KV9RudiVeruvPlugin".
bool startTimePausePlugin(const Tovek::KV9Lua::LuaPluginInterface* plugin);

}  // namespace Zo::KV9RudiVeruv
