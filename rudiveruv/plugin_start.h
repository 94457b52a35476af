#pragma once

// The start of the time-pause plug-in, the internal Lua plug-in "KV9RudiVeruvPlugin": takes its
// own copy of the game's Lua API, reads its options and detours the game where it needs to.

#include "bridge/lua_plugin_host.h"
#include "rudiveruv/rudiveruv_state.h"
#include "rudiveruv/time_pause_edges.h"

namespace Zo::KV9RudiVeruv {

// The plug-in's init, on the host loader's thread, with what it reaches of the overlay. Logs the
// reason and returns false when the plug-in cannot run; detours already in place then stay.
bool initializeRudiVeruvPlugin(const Tovek::KV9Lua::LuaPluginInterface* plugin,
                               TimePauseEdges edges);

}  // namespace Zo::KV9RudiVeruv
