#include "hostgame/game/game_scripts.h"

#include "hostgame/game/game_symbols.h"

#include <cstdio>

namespace HostGame {

using HostLua::Value;

std::unique_ptr<lua_State> newGameState() {
    auto state = HostLua::newState();
    host_open_base_lib(state.get());
    return state;
}

void assignGlobalFunction(lua_State* L, const char* name, lua_CFunction function) {
    lua_pushcclosure(L, function, 0);
    lua_setglobal(L, name);
}

void assignGlobalNumber(lua_State* L, const char* name, double value) {
    lua_pushnumber(L, value);
    lua_setglobal(L, name);
}

std::vector<Value> callGlobal(lua_State* L, const char* name,
                              std::initializer_list<ScriptArgument> arguments) {
    const auto global = L->globals.find(name);
    if (global == L->globals.end() || global->second.tag != HostLua::kFunction) return {};
    const lua_CFunction function = global->second.closure->function;
    for (const ScriptArgument& argument : arguments) {
        if (const double* number = std::get_if<double>(&argument)) {
            lua_pushnumber(L, *number);
        } else if (const std::string* text = std::get_if<std::string>(&argument)) {
            lua_pushstring(L, text->c_str());
        } else if (HostLua::Table* const* table = std::get_if<HostLua::Table*>(&argument)) {
            Value value;
            value.tag = HostLua::kTable;
            value.table = *table;
            *L->top++ = value;
        } else {
            lua_pushnil(L);
        }
    }
    const int count = HostLua::callNative(L, function, static_cast<int>(arguments.size()));
    std::vector<Value> results(L->top - count, L->top);
    L->top -= count;
    return results;
}

bool hasGlobal(lua_State* L, const char* name, int tag) {
    const auto global = L->globals.find(name);
    return global != L->globals.end() && global->second.tag == tag;
}

std::string resultOf(lua_State* L, const char* name, std::initializer_list<ScriptArgument> args) {
    return describe(callGlobal(L, name, args));
}

std::string describe(const Value& value) {
    switch (value.tag) {
        case HostLua::kNil:
            return "nil";
        case HostLua::kNumber: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", value.number);
            return text;
        }
        case HostLua::kString:
            return "\"" + value.string->text + "\"";
        case HostLua::kTable:
            return "table";
        case HostLua::kFunction:
            return "function";
        default:
            return "userdata";
    }
}

std::string describe(const std::vector<Value>& values) {
    std::string text;
    for (const Value& value : values) text += (text.empty() ? "" : ", ") + describe(value);
    return "(" + text + ")";
}

}  // namespace HostGame
