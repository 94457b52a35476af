#include "hostgame/game/game_dostring.h"

#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

namespace {

using namespace HostLua;

bool runOpenfile(lua_State* L, const std::string& chunk) {
    static const std::regex openfileLine(
        R"(^\s*(\w+)\s*=\s*openfile\(\[\[(.*)\]\],\s*\[\[(\w+)\]\]\)\s*$)");
    std::smatch match;
    if (!std::regex_match(chunk, match, openfileLine)) return false;
    Value file;  // nil when the file cannot be opened, as openfile gives
    if (FILE* opened = std::fopen(match[2].str().c_str(), match[3].str().c_str())) {
        L->openFiles.push_back(opened);
        file.tag = kUserdata;
        file.pointer = opened;
    }
    L->globals[match[1].str()] = file;
    return true;
}

// Pushes the literal's value; false, with nothing pushed, for any other expression.
bool pushLiteral(lua_State* L, const std::string& literal) {
    if (literal == "nil") {
        lua_pushnil(L);
        return true;
    }
    if (literal == "{}") {
        pushNewTable(L);
        return true;
    }
    const auto quoted = [&](const char* open, const char* close) {
        const std::size_t openLength = std::char_traits<char>::length(open);
        const std::size_t closeLength = std::char_traits<char>::length(close);
        return literal.size() >= openLength + closeLength && literal.starts_with(open) &&
               literal.ends_with(close);
    };
    if (quoted("\"", "\"") || quoted("'", "'")) {
        lua_pushstring(L, literal.substr(1, literal.size() - 2).c_str());
        return true;
    }
    if (quoted("[[", "]]")) {
        lua_pushstring(L, literal.substr(2, literal.size() - 4).c_str());
        return true;
    }
    char* end = nullptr;
    const double number = std::strtod(literal.c_str(), &end);
    if (literal.empty() || *end != '\0') return false;
    lua_pushnumber(L, number);
    return true;
}

int runReturn(lua_State* L, const std::string& chunk) {
    static const std::regex returnLine(R"(^\s*return\b\s*(.*?)\s*$)");
    std::smatch match;
    if (!std::regex_match(chunk, match, returnLine)) return 0;
    return pushLiteral(L, match[1].str()) ? 1 : 0;
}

}  // namespace

extern "C" int host_base_dostring(lua_State* L) {
    const char* text = lua_tostring(L, 1);
    if (text == nullptr) return 0;
    const std::string chunk(text, lua_strlen(L, 1));
    L->chunks.push_back(chunk);
    if (std::this_thread::get_id() != L->ownerThread) ++L->offThreadChunks;
    if (L->reportChunk) L->reportChunk("dostring ran a chunk");
    if (runOpenfile(L, chunk)) return 0;
    return runReturn(L, chunk);
}
