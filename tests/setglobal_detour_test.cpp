#include "bridge/setglobal_detour.h"

#include "bridge/bridge_state.h"
#include "bridge/lua_registration.h"
#include "hostgame/game/lua_runtime.h"
#include "tests/folder_state_guard.h"
#include "tests/stand_in_lua_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

std::vector<std::string> g_hostLines;
void recordHostLine(const char* text) { g_hostLines.emplace_back(text); }

std::function<void()> g_entryFailure;
void failingLuaStateEntry(LuaState*) { g_entryFailure(); }

// A finished start-up on the stand-in game whose one plug-in entry fails as the case says.
class SetglobalDetour : public ::testing::Test {
protected:
    void SetUp() override {
        g_kv9Lua = standInLuaApi();
        g_setglobalCallbacks = std::make_unique<SetglobalCallbacks>(makeSetglobalCallbacks());
        g_pluginLuaStateEntries = {failingLuaStateEntry};
        g_setglobalDetourContext.hostLog = recordHostLine;
        g_hostLines.clear();
        g_setglobalDetourContext.startupOutcome = InitState::done;
    }

    BridgeStateGuard m_bridgeState;
};

// An exception must not unwind into the game's Lua: the detour reports it and returns as if the
// callback had finished.
TEST_F(SetglobalDetour, AFailingCallbackIsReportedToTheHostAndTheGameCarriesOn) {
    struct Case {
        const char* what;
        std::function<void()> failure;
        std::string line;
    };
    const Case cases[] = {
        {"an exception with a text", [] { throw std::runtime_error("entry failed"); },
         "entry failed"},
        {"an allocation", [] { throw std::bad_alloc(); }, "std::bad_alloc"},
        {"something that is no exception", [] { throw 7; }, "Unknown exception"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_entryFailure = c.failure;
        g_hostLines.clear();
        auto state = HostLua::newState();
        auto* L = reinterpret_cast<LuaState*>(state.get());
        lua_pushnumber(state.get(), 1);  // what the game's own code has on the stack
        lua_pushnumber(state.get(), 2);  // the value being assigned
        EXPECT_NO_THROW(setglobalDetour(L, "GetFrame"));
        EXPECT_EQ(g_hostLines, std::vector<std::string>{c.line});
        EXPECT_EQ(lua_gettop(state.get()), 1);
        EXPECT_EQ(state->globals["GetFrame"].tag, HostLua::kNumber);
    }
}

}  // namespace
