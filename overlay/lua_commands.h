#pragma once

// The three commands of the Lua functions window: a stored Lua text followed by the argument
// list that calls it, run through the edge they are handed.

#include "overlay/lua_command_edge.h"
#include "overlay/lua_functions_state.h"

namespace Zo::KV9RudiVeruv {

// (colorValue as unsigned, whichUnits, whoseUnits)
void sendUnitColorCommand(const LuaCommandEdge& lua, const PlayerColorTable& table);
// (teamId quoted, aiControl as true or false, whichUnits, whoseUnits)
void sendUnitTeamCommand(const LuaCommandEdge& lua, const TeamPlayerList& list);
// Flips the flag first, then sends its new value as (true) or (false).
void sendToggleCommand(const LuaCommandEdge& lua, bool* gameInputEnabled);

}  // namespace Zo::KV9RudiVeruv
