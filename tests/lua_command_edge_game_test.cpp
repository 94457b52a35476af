#include "overlay/lua_command_edge.h"

#include "hostgame/game/game_dostring.h"
#include "hostgame/game/lua_runtime.h"
#include "overlay/lua_command_scripts.h"
#include "overlay/lua_commands.h"
#include "rudiveruv/lua_chunk_queue.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/rudiveruv_lua.h"
#include "tests/folder_state_guard.h"
#include "tests/stand_in_lua_api.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

std::string unscrambled(std::string text) {
    for (char& byte : text) byte = static_cast<char>(static_cast<uint8_t>(byte) - 7);
    return text;
}

// The plug-in's own edge: the commands reach the stand-in game's "dostring" through the chunk
// runner, which records each chunk as the game would run it.
class LuaCommandEdgeGame : public ::testing::Test {
protected:
    void SetUp() override {
        g_rudiVeruvLua = standInLuaApi();
        g_luaDostring = reinterpret_cast<Tovek::KV9Lua::lua_CFunction>(&host_base_dostring);
        g_gameLuaState = nullptr;
    }

    RudiVeruvStateGuard m_rudiVeruvState;
    const LuaCommandEdge m_lua = gameLuaCommandEdge();
};

TEST_F(LuaCommandEdgeGame, CommandsRunInTheGamesLuaStateAsTextFollowedByArguments) {
    std::unique_ptr<lua_State> state = HostLua::newState();
    g_gameLuaState = reinterpret_cast<LuaState*>(state.get());
    PlayerColorTable colors;
    initPlayerColorTable(colors);
    colors.colorValue = 0xF0D719;
    TeamPlayerList teams;
    initTeamPlayerNames(teams);
    bool inputEnabled = true;

    sendUnitColorCommand(m_lua, colors);
    sendUnitTeamCommand(m_lua, teams);
    sendToggleCommand(m_lua, &inputEnabled);
    // The commands wait for the game's Lua thread, here this one, between script calls.
    runQueuedLuaCode(reinterpret_cast<LuaState*>(state.get()));

    EXPECT_EQ(state->chunks,
              (std::vector<std::string>{unscrambled(kUnitColorScript) + "(15783705, 1, 0)",
                                        unscrambled(kUnitTeamScript) + "(\"\", false, 1, 0)",
                                        unscrambled(kGameInputScript) + "(false)"}));
    EXPECT_EQ(lua_gettop(state.get()), 0);
}

// The runner refuses while the game's Lua stack is in use; the toggle's flag flips all the same.
TEST_F(LuaCommandEdgeGame, NothingRunsWhileTheGamesStackIsInUse) {
    std::unique_ptr<lua_State> state = HostLua::newState();
    g_gameLuaState = reinterpret_cast<LuaState*>(state.get());
    lua_pushnumber(state.get(), 1);
    bool inputEnabled = true;
    sendToggleCommand(m_lua, &inputEnabled);
    EXPECT_FALSE(inputEnabled);
    EXPECT_TRUE(state->chunks.empty());
    EXPECT_EQ(lua_gettop(state.get()), 1);
    lua_settop(state.get(), 0);
}

}  // namespace
