#include "overlay/lua_commands.h"

#include "overlay/lua_command_scripts.h"
#include "overlay/script_scramble.h"

#include <boost/format.hpp>
#include <boost/format/group.hpp>

#include <iomanip>
#include <ios>
#include <string>
#include <utility>

namespace Zo::KV9RudiVeruv {

namespace {

// The stored text followed by the argument list, both scrambled, as the chunk runner wants.
void runCommand(const LuaCommandEdge& lua, const char* storedScript,
                const boost::format& arguments) {
    std::string chunk(storedScript);
    const std::string list = arguments.str();
    chunk += scrambleScriptText(list.data(), list.size());
    if (lua.runChunk) lua.runChunk(std::move(chunk));
}

}  // namespace

void sendUnitColorCommand(const LuaCommandEdge& lua, const PlayerColorTable& table) {
    runCommand(lua, kUnitColorScript,
               boost::format("(%1%, %2%, %3%)") % static_cast<unsigned int>(table.colorValue) %
                   table.whichUnits % table.whoseUnits);
}

void sendUnitTeamCommand(const LuaCommandEdge& lua, const TeamPlayerList& list) {
    runCommand(lua, kUnitTeamScript,
               boost::format("(%1%, %2%, %3%, %4%)") % std::quoted(list.teamId) %
                   boost::io::group(std::boolalpha, list.aiControl) % list.whichUnits %
                   list.whoseUnits);
}

void sendToggleCommand(const LuaCommandEdge& lua, bool* gameInputEnabled) {
    *gameInputEnabled = !*gameInputEnabled;
    runCommand(lua, kGameInputScript,
               boost::format("(%1%)") % boost::io::group(std::boolalpha, *gameInputEnabled));
}

}  // namespace Zo::KV9RudiVeruv
