#pragma once

// What the stand-in game's scripts do with its Lua: states with the base library, global
// functions assigned through the game's lua_setglobal, and calls of global functions.

#include "hostgame/game/lua_runtime.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace HostGame {

using ScriptArgument = std::variant<std::monostate, double, std::string, HostLua::Table*>;

// A new state with the base library opened (every base function assigned as a global).
std::unique_ptr<lua_State> newGameState();

void assignGlobalFunction(lua_State* L, const char* name, lua_CFunction function);
void assignGlobalNumber(lua_State* L, const char* name, double value);

// Calls global `name` with the arguments; returns its results (nothing when it is not a native
// function).
std::vector<HostLua::Value> callGlobal(lua_State* L, const char* name,
                                       std::initializer_list<ScriptArgument> arguments = {});

// True when global `name` holds a value with the tag.
bool hasGlobal(lua_State* L, const char* name, int tag);

// The readable results of calling global `name`.
std::string resultOf(lua_State* L, const char* name, std::initializer_list<ScriptArgument> args);

// A readable form of a value: nil, a number, "text", table, function.
std::string describe(const HostLua::Value& value);
std::string describe(const std::vector<HostLua::Value>& values);

}  // namespace HostGame
