#include "rudiveruv/lua_chunk_queue.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/process_end.h"

#include "entry/time_pause_wiring.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/game/lua_runtime.h"
#include "overlay/camera_profile.h"
#include "overlay/main_window.h"
#include "overlay/output_log.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"
#include "tests/stand_in_lua_api.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <variant>
#include <vector>

using namespace Zo::KV9RudiVeruv;
using Tovek::KV9Lua::KV9Lua;

namespace {

using StatePtr = std::unique_ptr<lua_State>;

LuaState* asGameState(lua_State* L) { return reinterpret_cast<LuaState*>(L); }

// The stand-in game's own "dostring", as the plug-in takes it from the base-library array.
Tovek::KV9Lua::lua_CFunction gameDostring() {
    for (const GameLuaReg& record : g_baseLibArray) {
        if (std::strcmp(record.name, "dostring") == 0) {
            return reinterpret_cast<Tovek::KV9Lua::lua_CFunction>(record.function);
        }
    }
    return nullptr;
}

constexpr uint32_t kRandomId = 3141592653u;

std::string checkerName(int counter) {
    return "tovek_kv9_lua_output_plugin_checker_3141592653_" + std::to_string(counter);
}

std::string openfileLine(int counter) {
    return checkerName(counter) + " = openfile([[\\\\.\\pipe\\" + checkerName(counter) +
           "]], [[w]])";
}

bool pauseAllowed() {
    std::lock_guard lock(g_stateMutex);
    return g_rudiVeruvAllowed;
}

bool luaWindowAvailable() {
    std::lock_guard lock(g_stateMutex);
    return g_luaWindowAvailable;
}

// A watcher ends on its own thread; only a hung one misses the minute.
bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(1);
    }
    return true;
}

struct ReplayState {
    bool captured = false;
    bool writeOpenFailed = false;
    bool isPlayback = false;
    int gameMode = 0;
};

void setReplay(const ReplayState& replay) {
    // Only ever compared with the game's streams, never used.
    static FILE* const kSomeStream = reinterpret_cast<FILE*>(0x1000);
    std::lock_guard lock(g_replayCapture.mutex);
    resetReplayCapture();
    g_replayCapture.file = replay.captured ? kSomeStream : nullptr;
    g_replayCapture.writeOpenFailed = replay.writeOpenFailed;
    g_replayCapture.isPlayback = replay.isPlayback;
    g_replayCapture.gameMode = replay.gameMode;
}

void setFlags(bool allowed, bool luaWindow, bool cameraControl) {
    std::lock_guard lock(g_stateMutex);
    g_rudiVeruvAllowed = allowed;
    g_luaWindowAvailable = luaWindow;
    g_cameraControlEnabled = cameraControl;
}

std::string scrambled(std::string text) {
    for (char& byte : text) byte = static_cast<char>(static_cast<uint8_t>(byte) + 7);
    return text;
}

// The plug-in's Lua copy on the stand-in game, a known random number, no state yet, no replay.
class LuaStateWatch : public ::testing::Test {
protected:
    // Once: the watchers of states that ended in earlier tests may still be at work with them.
    static void SetUpTestSuite() { g_timePauseEdges = timePauseOverlayEdges(); }

    void SetUp() override {
        g_rudiVeruvLua = standInLuaApi();
        g_luaDostring = gameDostring();
        ASSERT_NE(g_luaDostring, nullptr);
        g_checkerRandomId = kRandomId;
        g_checkerCounter = 0;
        g_gameLuaState = nullptr;
        setReplay({});
        setFlags(false, false, false);
    }

    static StatePtr arrive() {
        StatePtr state = HostLua::newState();
        onLuaStateReady(asGameState(state.get()));
        return state;
    }

    // Destroys the state, which closes its files, and waits until its watcher has withdrawn the
    // permission, its last act.
    static void end(StatePtr& state) {
        setFlags(true, false, false);
        state.reset();
        ASSERT_TRUE(eventually([] { return !pauseAllowed(); }));
    }

    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
};

TEST_F(LuaStateWatch, TwoStatesInARowAreNumberedAndTheNewerOneOutlivesTheOldersEnd) {
    StatePtr first = arrive();
    EXPECT_EQ(g_gameLuaState.load(), asGameState(first.get()));
    EXPECT_EQ(first->chunks, std::vector<std::string>{openfileLine(1)});
    EXPECT_EQ(first->globals[checkerName(1)].tag, HostLua::kUserdata);
    EXPECT_EQ(first->openFiles.size(), 1u);
    EXPECT_EQ(lua_gettop(first.get()), 0);
    EXPECT_TRUE(pauseAllowed());

    StatePtr second = arrive();
    EXPECT_EQ(second->chunks, std::vector<std::string>{openfileLine(2)});
    EXPECT_EQ(second->openFiles.size(), 1u);
    // A watcher that did not block on its pipe would have forgotten the state by now.
    Sleep(100);
    EXPECT_EQ(g_gameLuaState.load(), asGameState(second.get()));
    EXPECT_TRUE(pauseAllowed());

    first.reset();
    EXPECT_TRUE(eventually([] { return !pauseAllowed(); }));
    EXPECT_EQ(g_gameLuaState.load(), asGameState(second.get()));

    end(second);
    EXPECT_EQ(g_gameLuaState.load(), nullptr);
}

TEST_F(LuaStateWatch, AStateWhoseStackIsInUseGetsNoFileAndIsForgottenAtOnce) {
    setReplay({.writeOpenFailed = true});  // the rule refuses too, so no one else allows
    StatePtr state = HostLua::newState();
    lua_pushnumber(state.get(), 1);
    onLuaStateReady(asGameState(state.get()));
    EXPECT_TRUE(state->chunks.empty());
    EXPECT_TRUE(state->openFiles.empty());
    EXPECT_EQ(lua_gettop(state.get()), 1);
    // The watcher's read fails with no client on the pipe, as if the state had ended.
    EXPECT_TRUE(eventually([] { return g_gameLuaState.load() == nullptr; }));
    EXPECT_TRUE(eventually([] { return !pauseAllowed(); }));
}

// A thread that cannot start: the state arrives, but nothing would ever see it end.
LuaState* g_newerState = nullptr;  // what arrives while the failing start is under way, if any
bool failingThreadStart(ThreadBody, void*) {
    if (g_newerState != nullptr) g_gameLuaState = g_newerState;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
}

TEST_F(LuaStateWatch, AStateWhoseWatcherCannotStartIsReportedAndForgotten) {
    struct Case {
        const char* what;
        bool newerArrives;
    };
    const Case cases[] = {{"the state is still the remembered one", false},
                          {"a newer state arrived meanwhile", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StatePtr newer = HostLua::newState();
        g_newerState = c.newerArrives ? asGameState(newer.get()) : nullptr;
        g_timePauseEdges.startThread = failingThreadStart;
        setFlags(false, true, false);
        StatePtr state = arrive();

        EXPECT_EQ(g_gameLuaState.load(), g_newerState);
        EXPECT_FALSE(pauseAllowed());
        EXPECT_FALSE(luaWindowAvailable());
        std::lock_guard lock(g_stateMutex);
        ASSERT_FALSE(g_outputLog.empty());
        EXPECT_TRUE(g_outputLog.back().text.starts_with("Failed to start the Lua state watcher: "))
            << g_outputLog.back().text;
    }
    g_newerState = nullptr;
}

// A watcher that has run to its end before the entry goes on, as when the game's Lua thread is
// held up right after the thread start.
bool finishingThreadStart(ThreadBody body, void* data) {
    std::thread(body, data).join();
    return true;
}

// A state whose stack is in use gets no file, so its watcher ends at once and withdraws the
// permission; the rule, which would allow pausing here, must not grant it again afterwards.
TEST_F(LuaStateWatch, AWatcherThatEndsAtOnceLeavesThePauseWithdrawn) {
    StatePtr state = HostLua::newState();
    lua_pushnumber(state.get(), 1);
    g_timePauseEdges.startThread = finishingThreadStart;
    onLuaStateReady(asGameState(state.get()));
    EXPECT_EQ(g_gameLuaState.load(), nullptr);
    EXPECT_FALSE(pauseAllowed());
}

// Making the watcher's thread object may throw: the entry's caller reports the exception, and
// the state must not stay remembered with the permission granted.
bool throwingThreadStart(ThreadBody, void*) { throw std::bad_alloc(); }

TEST_F(LuaStateWatch, AnExceptionBeforeTheWatcherRunsForgetsTheStateAndWithdraws) {
    setFlags(false, true, false);
    StatePtr state = HostLua::newState();
    g_timePauseEdges.startThread = throwingThreadStart;
    EXPECT_THROW(onLuaStateReady(asGameState(state.get())), std::bad_alloc);
    EXPECT_EQ(g_gameLuaState.load(), nullptr);
    EXPECT_FALSE(pauseAllowed());
    EXPECT_FALSE(luaWindowAvailable());
}

// Once the process has begun to end, a watcher that wakes changes nothing: the profile its
// timed events live in is about to be destroyed. Run in a child process, since the end is final.
TEST_F(LuaStateWatch, AWatcherWokenAsTheProcessEndsTouchesNothing) {
    EXPECT_EXIT(
        {
            StatePtr state = arrive();
            setFlags(true, true, true);
            {
                std::lock_guard lock(g_stateMutex);
                g_currentProfile.timedEvents.assign(1, TimedEvent{.fired = true});
            }
            beginProcessEnd();
            state.reset();
            Sleep(500);  // the watcher has long woken by now
            std::lock_guard lock(g_stateMutex);
            const bool untouched = pauseAllowed() && luaWindowAvailable() &&
                                   g_currentProfile.timedEvents.front().fired;
            std::_Exit(untouched ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// The rule has its own table; here, that each arriving state applies it to the replay the
// game follows.
TEST_F(LuaStateWatch, EachArrivingStateAppliesThePauseRuleToTheFollowedReplay) {
    struct Case {
        const char* name;
        ReplayState replay;
        bool allowed;
    };
    const Case cases[] = {
        {"no replay", {}, true},
        {"recording, game mode 2", {.captured = true, .gameMode = 2}, false},
        {"playback of a multiplayer game", {.captured = true, .isPlayback = true, .gameMode = 2},
         true},
        {"failed open for writing", {.writeOpenFailed = true}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setReplay(c.replay);
        setFlags(!c.allowed, false, false);
        StatePtr state = arrive();
        EXPECT_EQ(pauseAllowed(), c.allowed);
        end(state);
    }
}

TEST_F(LuaStateWatch, SetRudiVeruvAllowedKeepsOrHidesTheLuaWindowAndRestartsTimedEvents) {
    struct Case {
        const char* name;
        bool allowed;
        bool luaWindowBefore;
        bool cameraControl;
        bool luaWindowAfter;
    };
    const Case cases[] = {
        {"allowing keeps the window", true, true, false, true},
        {"allowing never shows the window", true, false, false, false},
        {"withdrawing hides the window", false, true, false, false},
        {"allowing with camera control", true, true, true, true},
        {"withdrawing with camera control", false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setFlags(!c.allowed, c.luaWindowBefore, c.cameraControl);
        {
            std::lock_guard lock(g_stateMutex);
            g_currentProfile.timedEvents.assign(2, TimedEvent{.fired = true});
            g_currentProfile.eventRunStart = std::chrono::steady_clock::now();
        }
        setRudiVeruvAllowed(c.allowed);
        EXPECT_EQ(pauseAllowed(), c.allowed);
        EXPECT_EQ(luaWindowAvailable(), c.luaWindowAfter);
        std::lock_guard lock(g_stateMutex);
        for (const TimedEvent& event : g_currentProfile.timedEvents) {
            EXPECT_EQ(event.fired, !c.cameraControl);
        }
        EXPECT_EQ(g_currentProfile.eventRunStart.has_value(), !c.cameraControl);
    }
}

TEST_F(LuaStateWatch, ReadingAnObjIdGlobalShowsTheLuaWindow) {
    struct Case {
        const char* name;
        bool shows;
    };
    const Case cases[] = {
        {"ObjID", true},  {"ObjIDList", true}, {"ObjI", false},
        {"Obj", false},   {"objid", false},    {"GetFrame", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setFlags(false, false, false);
        StatePtr state = HostLua::newState();
        lua_pushnumber(state.get(), 7);
        lua_setglobal(state.get(), c.name);
        hookedGetglobal(asGameState(state.get()), c.name);
        EXPECT_EQ(luaWindowAvailable(), c.shows);
        ASSERT_EQ(lua_gettop(state.get()), 1);  // the game's getglobal still ran
        EXPECT_EQ(lua_tonumber(state.get(), 1), 7);
    }
}

// The game's Lua thread between two script calls: it reads a global with an empty stack.
void gameReadsAGlobal(lua_State* L) {
    hookedGetglobal(asGameState(L), "GameTick");
    lua_settop(L, 0);
}

bool ready(const std::future<LuaChunkResult>& result) {
    return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

TEST_F(LuaStateWatch, RunLuaCodeGivesTheChunksFirstResultOnceTheGameRanIt) {
    struct Case {
        const char* chunk;
        LuaChunkResult result;
    };
    const Case cases[] = {
        {"return 5", 5.0},
        {"return 'unit'", std::string("unit")},
        {"return [[\xFE\x01]]", std::string("\xFE\x01")},  // bytes that wrap when scrambled
        {"return", std::monostate{}},
        {"return nil", std::monostate{}},
        {"return {}", std::monostate{}},
        {"Recolour(1, 2)", std::monostate{}},
    };
    StatePtr state = HostLua::newState();
    g_gameLuaState = asGameState(state.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chunk);
        state->chunks.clear();
        std::future<LuaChunkResult> result = runLuaCode(scrambled(c.chunk));
        EXPECT_FALSE(ready(result));
        EXPECT_TRUE(state->chunks.empty()) << "the sender's call runs nothing";
        gameReadsAGlobal(state.get());
        ASSERT_TRUE(ready(result));
        EXPECT_EQ(result.get(), c.result);
        EXPECT_EQ(state->chunks, std::vector<std::string>{c.chunk});
        EXPECT_EQ(lua_gettop(state.get()), 0);
    }
}

TEST_F(LuaStateWatch, QueuedLuaCodeRunsOnTheGameThreadNotTheSenders) {
    StatePtr state = HostLua::newState();
    g_gameLuaState = asGameState(state.get());
    std::future<LuaChunkResult> result;
    std::thread sender([&] { result = runLuaCode(scrambled("return 7")); });
    sender.join();
    gameReadsAGlobal(state.get());
    EXPECT_EQ(result.get(), LuaChunkResult{7.0});
    EXPECT_EQ(state->offThreadChunks, 0);
}

TEST_F(LuaStateWatch, RunLuaCodeWaitsWhileTheStackIsInUseAndRunsNothingWithoutAState) {
    const std::string code = scrambled("return 5");
    std::future<LuaChunkResult> none = runLuaCode(code);
    ASSERT_TRUE(ready(none));
    EXPECT_EQ(none.get(), LuaChunkResult{});

    StatePtr state = HostLua::newState();
    g_gameLuaState = asGameState(state.get());
    std::future<LuaChunkResult> waiting = runLuaCode(code);
    lua_pushnumber(state.get(), 1);  // a script call under way
    hookedGetglobal(asGameState(state.get()), "GameTick");
    EXPECT_FALSE(ready(waiting));
    EXPECT_TRUE(state->chunks.empty());
    EXPECT_EQ(lua_gettop(state.get()), 2);  // the game's getglobal still ran
    lua_settop(state.get(), 0);
    gameReadsAGlobal(state.get());
    EXPECT_EQ(waiting.get(), LuaChunkResult{5.0});

    g_luaDostring = nullptr;  // a game without "dostring"
    std::future<LuaChunkResult> noDostring = runLuaCode(code);
    gameReadsAGlobal(state.get());
    EXPECT_EQ(noDostring.get(), LuaChunkResult{});
    EXPECT_EQ(lua_gettop(state.get()), 0);
}

// The state's watcher sees it end: what was queued for it gets the empty result and never
// runs, not in the next state either.
TEST_F(LuaStateWatch, LuaCodeQueuedForAStateThatEndedIsDropped) {
    StatePtr first = arrive();
    std::future<LuaChunkResult> result = runLuaCode(scrambled("return 5"));
    first.reset();
    ASSERT_TRUE(eventually([&] { return ready(result); }));
    EXPECT_EQ(result.get(), LuaChunkResult{});

    StatePtr second = arrive();
    const std::size_t chunks = second->chunks.size();  // its openfile line
    gameReadsAGlobal(second.get());
    EXPECT_EQ(second->chunks.size(), chunks);
    end(second);
}

// A new state at the address of one that ended before its watcher woke: the old state's
// chunks are dropped when the new one arrives.
TEST_F(LuaStateWatch, LuaCodeQueuedForAnEarlierStateAtTheSameAddressIsDropped) {
    StatePtr state = HostLua::newState();
    g_gameLuaState = asGameState(state.get());
    std::future<LuaChunkResult> result = runLuaCode(scrambled("return 5"));
    onLuaStateReady(asGameState(state.get()));
    ASSERT_TRUE(ready(result));
    EXPECT_EQ(result.get(), LuaChunkResult{});
    const std::size_t chunks = state->chunks.size();
    gameReadsAGlobal(state.get());
    EXPECT_EQ(state->chunks.size(), chunks);
    end(state);  // its watcher done before the next test numbers its states from 1 again
}

// The game makes a new state where an ended one was before that one's watcher woke: the older
// watcher, waking late, leaves the newer state remembered and what was queued for it.
TEST_F(LuaStateWatch, AnOlderWatcherWakingLateLeavesTheNewerStateAtTheSameAddress) {
    StatePtr state = arrive();
    onLuaStateReady(asGameState(state.get()));  // the newer state, with the second file
    std::future<LuaChunkResult> result = runLuaCode(scrambled("return 5"));
    setFlags(true, false, false);
    std::fclose(state->openFiles.front());  // the older state's file, closed as it ended
    state->openFiles.erase(state->openFiles.begin());
    ASSERT_TRUE(eventually([] { return !pauseAllowed(); }));  // its watcher's last act

    EXPECT_EQ(g_gameLuaState.load(), asGameState(state.get()));
    EXPECT_FALSE(ready(result));
    gameReadsAGlobal(state.get());
    ASSERT_TRUE(ready(result));
    EXPECT_EQ(result.get(), LuaChunkResult{5.0});
    end(state);
    EXPECT_EQ(g_gameLuaState.load(), nullptr);
}

}  // namespace
