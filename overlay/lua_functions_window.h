#pragma once

// The window "Lua 函数": unit colour and unit team commands, and the game's mouse input switch,
// all run as Lua in the game's own Lua state.

#include "overlay/lua_command_edge.h"
#include "overlay/lua_functions_state.h"

namespace Zo::KV9RudiVeruv {

inline constexpr char kLuaFunctionsWindowTitle[] = "Lua 函数";

// Opens and closes the window; while game input is off, also marks the mouse with a white
// cross. The caller holds g_stateMutex and draws it only while the game's Lua state has shown
// object events. Each panel sends its commands through `lua`.
void drawLuaFunctionsWindow(const LuaCommandEdge& lua);

void drawUnitColorPanel(const LuaCommandEdge& lua, PlayerColorTable& table);
void drawUnitTeamPanel(const LuaCommandEdge& lua, TeamPlayerList& list);
// The mouse input switch, on g_gameInputEnabled.
void drawGameInputPanel(const LuaCommandEdge& lua);

// 0xRRGGBB of the custom colour picker's R, G, B: each clamped into [0, 1], times 255,
// truncated.
int customColorValue(const float (&rgb)[3]);

}  // namespace Zo::KV9RudiVeruv
