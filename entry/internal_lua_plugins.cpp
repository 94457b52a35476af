#include "entry/internal_lua_plugins.h"

#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/plugin_start.h"

namespace Tovek::KV9Lua {

InternalLuaPluginTable internalLuaPlugins() {
    return {{"KV9RudiVeruvPlugin",
             {Zo::KV9RudiVeruv::initializeRudiVeruvPlugin, Zo::KV9RudiVeruv::onLuaStateReady}}};
}

}  // namespace Tovek::KV9Lua
