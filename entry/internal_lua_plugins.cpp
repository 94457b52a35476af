#include "entry/internal_lua_plugins.h"

#include "entry/time_pause_wiring.h"
#include "rudiveruv/lua_state_watch.h"

namespace Tovek::KV9Lua {

InternalLuaPluginTable internalLuaPlugins() {
    return {{"KV9RudiVeruvPlugin",
             {Zo::KV9RudiVeruv::startTimePausePlugin, Zo::KV9RudiVeruv::onLuaStateReady}}};
}

}  // namespace Tovek::KV9Lua
