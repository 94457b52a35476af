#pragma once

// The three commands of the Lua functions window: a stored Lua text followed by the argument
// list that calls it, run through g_luaCommandEdge.

#include "overlay/lua_functions_state.h"

namespace Zo::KV9RudiVeruv {

// (colorValue as unsigned, whichUnits, whoseUnits)
void sendUnitColorCommand(const PlayerColorTable& table);
// (teamId quoted, aiControl as true or false, whichUnits, whoseUnits)
void sendUnitTeamCommand(const TeamPlayerList& list);
// Flips the flag first, then sends its new value as (true) or (false).
void sendToggleCommand(bool* gameInputEnabled);

}  // namespace Zo::KV9RudiVeruv
