#include "rudiveruv/lua_state_watch.h"

#include "rudiveruv/lua_chunk_queue.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/scope_guard.h"
#include "rudiveruv/time_pause_state.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>

namespace Zo::KV9RudiVeruv {

std::atomic<LuaState*> g_gameLuaState{nullptr};
std::atomic<int> g_checkerCounter{0};

namespace {

// What one watcher thread owns: its state, the state's checker counter, the pipe's server end
// and the pipe's path.
struct PipeWatch {
    LuaState* state;
    int counter;
    HANDLE pipe;
    std::string path;
};

// The checker counter of the state g_gameLuaState was last set to, under g_stateMutex. The game
// can make a new state at the address of one that just ended, before that one's watcher woke:
// the address alone does not tell the two apart.
int g_rememberedCounter = 0;

std::string checkerName(int counter) {
    std::ostringstream name;
    name << "tovek_kv9_lua_output_plugin_checker_" << g_checkerRandomId << "_" << counter;
    return name.str();
}

// What the end of a state's watch does: a newer state that replaced L, even at L's address,
// stays remembered with what was queued for it, and the permission is withdrawn. Past the
// process's end it touches nothing: what the overlay hears of the withdrawal may already be
// destroyed.
void forgetLuaState(LuaState* L, int counter) {
    const LockUnlessEnding lock(g_stateMutex);
    if (!lock.held()) return;
    if (counter == g_rememberedCounter) {
        LuaState* expected = L;
        g_gameLuaState.compare_exchange_strong(expected, nullptr);
        dropQueuedLuaCode(L);
    }
    if (g_processEnding) return;
    setRudiVeruvAllowed(false);
}

// The state's file on the pipe is never written, so the read returns only when the file is
// closed with the state, or at once when no file was ever opened on the pipe.
DWORD WINAPI pipeWatcherThread(void* data) {
    const std::unique_ptr<PipeWatch> watch(static_cast<PipeWatch*>(data));
    char byte;
    DWORD read = 0;
    ReadFile(watch->pipe, &byte, 1, &read, nullptr);
    CloseHandle(watch->pipe);
    forgetLuaState(watch->state, watch->counter);
    return 0;
}

// Hands the watch to a thread of its own; false, after saying so in the Output log, when no
// thread could start. The pipe stays the caller's until the thread has it.
bool startPipeWatcher(PipeWatch watch) {
    auto owned = std::make_unique<PipeWatch>(std::move(watch));
    const auto& startThread = g_timePauseEdges.startThread;
    if (startThread && startThread(pipeWatcherThread, owned.get())) {
        owned.release();  // the thread's now
        return true;
    }
    const std::string line = "Failed to start the Lua state watcher: " +
                             std::system_category().message(static_cast<int>(GetLastError()));
    if (g_timePauseEdges.logLine) g_timePauseEdges.logLine(line);
    return false;
}

}  // namespace

void onLuaStateReady(LuaState* L) {
    const int counter = g_checkerCounter.fetch_add(1) + 1;
    {
        std::lock_guard lock(g_stateMutex);
        g_gameLuaState.exchange(L);
        g_rememberedCounter = counter;
    }
    dropQueuedLuaCode(L);  // queued for an earlier state at this address, which has ended
    // Until a watcher has L, every way out forgets it again, an exception's too: nothing else
    // would see L end, and the game would go on to free it.
    ScopeGuard forgetUnwatched([L, counter] { forgetLuaState(L, counter); });
    const std::string name = checkerName(counter);
    std::string path = "\\\\.\\pipe\\" + name;
    const HANDLE pipe = CreateNamedPipeA(path.c_str(), PIPE_ACCESS_INBOUND, 0, 1, 0, 0, 0,
                                         nullptr);
    ScopeGuard closeUnwatchedPipe([pipe] { CloseHandle(pipe); });
    // The state opens the pipe's client end before the watcher reads, so the read blocks.
    const std::string text = name + " = openfile([[" + path + "]], [[w]])";
    LuaState* const state = g_gameLuaState.load();
    if (state != nullptr && g_rudiVeruvLua.gettop(state) == 0) {
        runGameDostring(state, text.c_str());
        g_rudiVeruvLua.settop(state, 0);
    }
    // Decided before the watcher starts: a watcher that ends at once withdraws it for good.
    setRudiVeruvAllowed(replayAllowsTimePause());
    if (!startPipeWatcher(PipeWatch{L, counter, pipe, std::move(path)})) return;
    closeUnwatchedPipe.action.clear();
    forgetUnwatched.action.clear();
}

// A plain Windows thread: once its body has returned, only the system's thread end follows,
// with nothing of this library's runtime still at work.
bool startDetachedThread(ThreadBody body, void* data) {
    const HANDLE thread = CreateThread(nullptr, 0, body, data, 0, nullptr);
    if (thread == nullptr) return false;
    CloseHandle(thread);
    return true;
}

bool replayAllowsTimePause() {
    return replayAllowsTimePause(FollowedReplay{replayWriteOpenFailed(), replayFileCaptured(),
                                                replayIsPlayback(), replayGameMode()});
}

void setRudiVeruvAllowed(bool allowed) {
    std::lock_guard lock(g_stateMutex);
    g_rudiVeruvAllowed = allowed;
    g_luaWindowAvailable = g_luaWindowAvailable && allowed;
    if (g_timePauseEdges.pauseAllowedSet) g_timePauseEdges.pauseAllowedSet();
}

void hookedGetglobal(LuaState* L, const char* name) {
    if (std::strncmp(name, "ObjID", 5) == 0) {
        const LockUnlessEnding lock(g_stateMutex);
        if (lock.held()) g_luaWindowAvailable = true;
    }
    // The game reads globals between its script calls, also while its logic is paused.
    runQueuedLuaCode(L);
    g_rudiVeruvLua.getglobal(L, name);
}

}  // namespace Zo::KV9RudiVeruv
