#include "bridge/lua_function_edge.h"

#include "bridge/animation_object.h"
#include "bridge/bridge_state.h"
#include "bridge/lua_registration.h"
#include "bridge/shared_data.h"
#include "hostgame/game/lua_runtime.h"
#include "tests/folder_state_guard.h"
#include "tests/stand_in_lua_api.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <future>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

using namespace std::chrono_literals;

int throwsBadAlloc(LuaState*) { throw std::bad_alloc(); }
int throwsWithText(LuaState*) { throw std::runtime_error("the plug-in's table is gone"); }
int throwsNoException(LuaState*) { throw 7; }

// A plug-in's per-state entry, registering through the interface's registerLuaFunction.
void registerThrowingFunctions(LuaState* L) {
    registerLuaFunction(L, "ThrowsBadAlloc", throwsBadAlloc);
    registerLuaFunction(L, "ThrowsWithText", throwsWithText);
    registerLuaFunction(L, "ThrowsNoException", throwsNoException);
}

// The game's tostring once an allocation inside it fails, as seen from the plug-in's side.
const char* tostringOutOfMemory(LuaState*, int) { throw std::bad_alloc(); }

std::string describe(const HostLua::Value& value) {
    switch (value.tag) {
        case HostLua::kNil: return "nil";
        case HostLua::kString: return value.string->text;
        case HostLua::kNumber: {
            char text[32];
            std::snprintf(text, sizeof text, "%g", value.number);
            return text;
        }
        default: return "tag " + std::to_string(value.tag);
    }
}

// A Lua state whose library was registered as on "GetFrame", with the plug-in's functions.
class LuaFunctionEdgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_kv9Lua = standInLuaApi();
        g_sharedDataContext = std::make_unique<SharedDataContext>(
            SharedDataContext{g_kv9Lua, std::make_unique<SharedDataStore>()});
        g_pluginLuaStateEntries = {registerThrowingFunctions};
        m_state = HostLua::newState();
        registerPluginLuaFunctions(L());
    }

    LuaState* L() { return reinterpret_cast<LuaState*>(m_state.get()); }

    // The interpreter's call of global `name` with the string arguments: every result, or the
    // text of an exception that left the function.
    std::vector<std::string> call(const char* name, const std::vector<const char*>& arguments) {
        lua_settop(m_state.get(), 0);
        lua_getglobal(m_state.get(), name);
        const HostLua::Value global = *--m_state->top;
        if (global.tag != HostLua::kFunction) return {"no function"};
        for (const char* argument : arguments) lua_pushstring(m_state.get(), argument);
        std::vector<std::string> results;
        try {
            const int count = HostLua::callNative(m_state.get(), global.closure->function,
                                                  static_cast<int>(arguments.size()));
            for (int i = count; i > 0; --i) results.push_back(describe(m_state->top[-i]));
        } catch (...) {
            results = {"an exception left the function"};
        }
        return results;
    }

    BridgeStateGuard m_bridgeState;  // before the state, so put back after it is closed
    std::unique_ptr<lua_State> m_state;
};

TEST_F(LuaFunctionEdgeTest, AnExceptionBecomesTheFunctionsFailureResult) {
    struct Case {
        const char* what;
        const char* global;
        std::vector<const char*> arguments;
        std::vector<std::string> results;
    };
    const Case cases[] = {
        {"a plug-in's function out of memory", "ThrowsBadAlloc", {"x"},
         {"nil", "Error: std::bad_alloc"}},
        {"a plug-in's function with a text", "ThrowsWithText", {},
         {"nil", "Error: the plug-in's table is gone"}},
        {"a plug-in's function throwing no exception", "ThrowsNoException", {},
         {"nil", "Error: Unknown exception"}},
        {"SetSharedData", "SetSharedData", {"key", "value"}, {"nil", "Error: std::bad_alloc"}},
        {"GetSharedData", "GetSharedData", {"key"}, {"nil", "Error: std::bad_alloc"}},
        {"SetWorldBuilderThisPlayer", "SetWorldBuilderThisPlayer", {"PlayerPointer:10"},
         {"nil", "Error: std::bad_alloc"}},
        {"a hexadecimal parser", "HexToUInt32", {"ff"}, {"nan"}},
        {"another hexadecimal parser", "HexToInt64", {"ff"}, {"nan"}},
    };
    // The library's own functions meet the failing allocation inside the game's tostring.
    g_kv9Lua.tostring = tostringOutOfMemory;
    g_sharedDataContext->api.tostring = tostringOutOfMemory;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(call(c.global, c.arguments), c.results);
    }
}

TEST_F(LuaFunctionEdgeTest, CheckersHoldTheEdgesSoAStateIsRegisteredOnce) {
    EXPECT_EQ(luaFunctionEdge(throwsBadAlloc, LuaFailureResult::nilAndMessage),
              luaFunctionEdge(throwsBadAlloc, LuaFailureResult::nilAndMessage));
    EXPECT_NE(luaFunctionEdge(throwsBadAlloc, LuaFailureResult::nilAndMessage),
              luaFunctionEdge(throwsBadAlloc, LuaFailureResult::notANumber));
    // The checker global holds what SetWorldBuilderThisPlayer's global holds, so a second
    // "GetFrame" in the same state registers nothing again.
    lua_getglobal(m_state.get(), "_tovek_lua_plugin_checker");
    lua_getglobal(m_state.get(), "SetWorldBuilderThisPlayer");
    EXPECT_EQ(m_state->top[-1].closure->function, m_state->top[-2].closure->function);
    lua_settop(m_state.get(), 0);
    g_sharedDataContext->store->values.emplace("kept", 1.0);
    registerPluginLuaFunctions(L());
    EXPECT_EQ(g_sharedDataContext->store->values.count("kept"), 1u);

    // Likewise the animation functions: a second registration would overwrite what a script
    // has since assigned. (A known animation global spares the scan.)
    g_animationLuaGlobal = 1;
    registerAnimationLuaFunctions(L());
    lua_pushnumber(m_state.get(), 3);
    lua_setglobal(m_state.get(), "AnimationLuaGetCurrentGameObjectId");
    registerAnimationLuaFunctions(L());
    lua_getglobal(m_state.get(), "AnimationLuaGetCurrentGameObjectId");
    EXPECT_EQ(m_state->top[-1].tag, HostLua::kNumber);
}

// The game's Lua raises an error by longjmp: a push that runs out of memory never returns.
std::jmp_buf g_luaError;
void pushnumberRaising(LuaState*, double) { std::longjmp(g_luaError, 1); }

TEST_F(LuaFunctionEdgeTest, ALuaErrorDuringGetSharedDataLeavesTheStoreUnlocked) {
    g_sharedDataContext->store->values.emplace("a", 5.0);
    g_sharedDataContext->api.pushnumber = pushnumberRaising;
    if (setjmp(g_luaError) == 0) {
        call("GetSharedData", {"a"});
        FAIL() << "the push returned";
    }
    // A script on another game thread reads the store next: the store must not be held by the
    // call that the error ended. Only a hang misses the deadline; the reader's state and result
    // are shared, so that a reader still blocked after a failure touches nothing freed.
    g_sharedDataContext->api.pushnumber = g_kv9Lua.pushnumber;
    struct Reader {
        std::unique_ptr<lua_State> state = HostLua::newState();
        std::promise<int> returned;
    };
    const auto reader = std::make_shared<Reader>();
    std::future<int> results = reader->returned.get_future();
    std::thread([reader] {
        lua_pushstring(reader->state.get(), "a");
        reader->returned.set_value(HostLua::callNative(
            reader->state.get(), reinterpret_cast<::lua_CFunction>(GetSharedData), 1));
    }).detach();
    ASSERT_EQ(results.wait_for(60s), std::future_status::ready) << "GetSharedData waits for good";
    EXPECT_EQ(results.get(), 1);
    EXPECT_EQ(describe(reader->state->top[-1]), "5");
}

}  // namespace
