#include "rudiveruv/game_crt_functions.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/rudiveruv_controller.h"
#include "rudiveruv/rudiveruv_lua.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

using namespace Zo::KV9RudiVeruv;

namespace {

// Only a call that waits for the held lock misses it.
constexpr std::chrono::seconds kHangLimit{60};

// A lock that another thread holds until this object is destroyed, as a thread that the
// ending process killed holds it for good.
class LockHeldElsewhere {
public:
    template <typename Mutex>
    explicit LockHeldElsewhere(Mutex& mutex) {
        std::promise<void> held;
        std::future<void> isHeld = held.get_future();
        m_holder = std::thread(
            [&mutex, held = std::move(held), release = m_release.get_future()]() mutable {
                std::lock_guard lock(mutex);
                held.set_value();
                release.wait();
            });
        isHeld.wait();
    }
    ~LockHeldElsewhere() {
        m_release.set_value();
        m_holder.join();
    }
    LockHeldElsewhere(const LockHeldElsewhere&) = delete;
    LockHeldElsewhere& operator=(const LockHeldElsewhere&) = delete;

private:
    std::promise<void> m_release;
    std::thread m_holder;
};

// The game's own functions: each call is counted.
int g_gameCalls = 0;
FILE* const kRecording = reinterpret_cast<FILE*>(0x5000);

FILE* __cdecl gameWfopen(const wchar_t*, const wchar_t*) {
    ++g_gameCalls;
    return kRecording;
}
std::size_t __cdecl gameFwrite(const void*, std::size_t, std::size_t count, FILE*) {
    ++g_gameCalls;
    return count;
}
long __cdecl gameFtell(FILE*) {
    ++g_gameCalls;
    return 77;
}
int __cdecl gameFclose(FILE*) {
    ++g_gameCalls;
    return 0;
}
FARPROC WINAPI gameGetProcAddress(HMODULE, LPCSTR) {
    ++g_gameCalls;
    return nullptr;
}
void gameGetglobal(LuaState*, const char*) { ++g_gameCalls; }
int gameGettop(LuaState*) { return 1; }  // a script is running: nothing queued would run

HMODULE debugModuleHandle() {
    return reinterpret_cast<HMODULE>(&RudiVeruvController::instance());
}

class ProcessEnd : public ::testing::Test {
protected:
    void SetUp() override {
        g_gameCrt.wfopen = gameWfopen;
        g_gameCrt.fwrite = gameFwrite;
        g_gameCrt.ftell = gameFtell;
        g_gameCrt.fclose = gameFclose;
        g_originalGetProcAddress = reinterpret_cast<void*>(gameGetProcAddress);
        g_rudiVeruvLua.getglobal = gameGetglobal;
        g_rudiVeruvLua.gettop = gameGettop;
        {
            std::lock_guard lock(g_replayCapture.mutex);
            resetReplayCapture();
            g_replayCapture.file = kRecording;  // the replay the game records
        }
        RudiVeruvController& controller = RudiVeruvController::instance();
        std::lock_guard lock(controller.mutex);
        controller.isPaused = [] { return true; };
        controller.isFastForwarding = [] { return true; };
        controller.setFrameNumber = setFrameNumberCallback;
        controller.setPaused = setPausedCallback;
        g_rudiVeruvd = false;
        g_processEnding = true;
    }

    RudiVeruvStateGuard m_rudiVeruvState;
};

// Once the process ends, a detour or debug function whose lock another thread holds does not
// wait for it: the game gets its own function's result, or the answer it gets without the
// debug module (go on, at normal speed).
TEST_F(ProcessEnd, NoDetourWaitsForALockAnotherThreadHolds) {
    const auto heldCapture = [] {
        return std::make_unique<LockHeldElsewhere>(g_replayCapture.mutex);
    };
    const auto heldController = [] {
        return std::make_unique<LockHeldElsewhere>(RudiVeruvController::instance().mutex);
    };
    const auto heldState = [] { return std::make_unique<LockHeldElsewhere>(g_stateMutex); };
    struct Case {
        const char* what;
        std::function<std::unique_ptr<LockHeldElsewhere>()> hold;
        std::function<bool()> call;  // whether the game got what it would get
        int gameCalls;
    };
    const Case cases[] = {
        {"_wfopen of a recording", heldCapture,
         [] { return hookedWfopen(L"match.KV9Replay", L"wb+") == kRecording; }, 1},
        {"fwrite into the recording", heldCapture,
         [] { return hookedFwrite("ab", 1, 2, kRecording) == 2; }, 1},
        {"ftell of the recording", heldCapture, [] { return hookedFtell(kRecording) == 77; }, 1},
        {"fclose of the recording", heldCapture, [] { return hookedFclose(kRecording) == 0; }, 1},
        {"GetProcAddress on the debug module", heldController,
         [] { return hookedGetProcAddress(debugModuleHandle(), "CanAppContinue") == nullptr; }, 1},
        {"CanAppContinue", heldController, [] { return CanAppContinue(); }, 0},
        {"RunAppFast", heldController, [] { return !RunAppFast(); }, 0},
        {"AppendMessageAndPause", heldController,
         [] {
             AppendMessageAndPause("end");
             return !g_rudiVeruvd.load();
         },
         0},
        {"SetFrameNumber, under the controller's lock", heldController,
         [] {
             SetFrameNumber(30);
             return true;
         },
         0},
        {"SetFrameNumber, under the state lock", heldState,
         [] {
             SetFrameNumber(30);
             return true;
         },
         0},
        {"getglobal of an object's id", heldState,
         [] {
             hookedGetglobal(nullptr, "ObjID_1");
             return true;
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_gameCalls = 0;
        std::future<bool> call;
        {
            const auto held = c.hold();
            call = std::async(std::launch::async, c.call);
            EXPECT_EQ(call.wait_for(kHangLimit), std::future_status::ready) << "it waited";
        }  // the lock is free again, so that a call that waited ends
        EXPECT_TRUE(call.get());
        EXPECT_EQ(g_gameCalls, c.gameCalls);
    }
    std::lock_guard lock(g_stateMutex);
    EXPECT_FALSE(g_luaWindowAvailable);
}

}  // namespace
