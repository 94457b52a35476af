#include "rudiveruv/lua_state_watch.h"

#include "overlay/camera_profile.h"
#include "overlay/main_window.h"
#include "overlay/output_log.h"
#include "overlay/timed_events.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/time_pause_state.h"

#include <windows.h>

#include <cstring>
#include <exception>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

namespace Zo::KV9RudiVeruv {

std::atomic<LuaState*> g_gameLuaState{nullptr};
std::atomic<int> g_checkerCounter{0};

namespace {

// What one watcher thread owns: its state, the pipe's server end and the pipe's path.
struct PipeWatch {
    LuaState* state;
    HANDLE pipe;
    std::string path;
};

std::string checkerName(int counter) {
    std::ostringstream name;
    name << "tovek_kv9_lua_output_plugin_checker_" << g_checkerRandomId << "_" << counter;
    return name.str();
}

// The state's file on the pipe is never written, so the read returns only when the file is
// closed with the state, or at once when no file was ever opened on the pipe.
void pipeWatcherThread(PipeWatch watch) {
    char byte;
    DWORD read = 0;
    ReadFile(watch.pipe, &byte, 1, &read, nullptr);
    CloseHandle(watch.pipe);
    LuaState* expected = watch.state;
    g_gameLuaState.compare_exchange_strong(expected, nullptr);
    setRudiVeruvAllowed(false);
}

void startPipeWatcher(PipeWatch watch) {
    const HANDLE pipe = watch.pipe;
    try {
        std::thread(pipeWatcherThread, std::move(watch)).detach();
    } catch (const std::exception& error) {
        // The state then stays remembered after its end; the game carries on regardless.
        CloseHandle(pipe);
        const std::string line = std::string("Failed to start the Lua state watcher: ") +
                                 error.what();
        appendOutputLog(line.data(), line.size());
    }
}

}  // namespace

void onLuaStateReady(LuaState* L) {
    g_gameLuaState.exchange(L);
    const std::string name = checkerName(g_checkerCounter.fetch_add(1) + 1);
    std::string path = "\\\\.\\pipe\\" + name;
    const HANDLE pipe = CreateNamedPipeA(path.c_str(), PIPE_ACCESS_INBOUND, 0, 1, 0, 0, 0,
                                         nullptr);
    // The state opens the pipe's client end before the watcher reads, so the read blocks.
    const std::string text = name + " = openfile([[" + path + "]], [[w]])";
    LuaState* const state = g_gameLuaState.load();
    if (state != nullptr && g_rudiVeruvLua.gettop(state) == 0) {
        runGameDostring(state, text.c_str());
        g_rudiVeruvLua.settop(state, 0);
    }
    startPipeWatcher(PipeWatch{L, pipe, std::move(path)});
    setRudiVeruvAllowed(replayAllowsTimePause());
}

bool replayAllowsTimePause() {
    return replayAllowsTimePause(FollowedReplay{replayWriteOpenFailed(), replayFileCaptured(),
                                                replayIsPlayback(), replayGameMode()});
}

void setRudiVeruvAllowed(bool allowed) {
    std::lock_guard lock(g_stateMutex);
    g_rudiVeruvAllowed = allowed;
    g_luaWindowAvailable = g_luaWindowAvailable && allowed;
    if (g_cameraControlEnabled) resetTimedEventRun(g_currentProfile);
}

void hookedGetglobal(LuaState* L, const char* name) {
    if (std::strncmp(name, "ObjID", 5) == 0) {
        std::lock_guard lock(g_stateMutex);
        g_luaWindowAvailable = true;
    }
    g_rudiVeruvLua.getglobal(L, name);
}

}  // namespace Zo::KV9RudiVeruv
