#pragma once

// The replacement debug module: the game finds a "loaded" debug module whose functions pause
// and fast-forward its logic. The controller's address is the fake module handle, and a detour
// of GetProcAddress answers the look-ups on it.

#include "bridge/code_scan.h"
#include "bridge/fnv1a.h"
#include "bridge/plugin_host_api.h"
#include "rudiveruv/rudiveruv_state.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace Zo::KV9RudiVeruv {

using DebugExportTable = std::unordered_map<std::string_view, FARPROC, Tovek::KV9Lua::Fnv1aHash>;

struct RudiVeruvController {
    // Held by every debug function while it runs; first in the lock order (time_pause_state.h).
    std::recursive_mutex mutex;
    bool installed = false;      // the hook routine's result
    std::function<bool()> isPaused;
    std::function<bool()> isFastForwarding;
    std::function<void(int)> setFrameNumber;
    std::function<void(bool)> setPaused;
    std::function<void(std::string)> appendMessage;
    DebugExportTable exportTable = DebugExportTable(8);

    // The one controller, built on first use from any thread.
    static RudiVeruvController& instance();

    // Once a known build's handle global is found in the module: fills the export table, detours
    // GetProcAddress and writes this controller's address into the handle global. Does nothing
    // after a successful install.
    void install(const TheGameModule& module, const HookRoutine& hook);
};

// The handle global of the first known build whose code the module holds (build A before B),
// or 0.
uint32_t findDebugModuleHandleGlobal(const TheGameModule& module);

// The debug module's functions, called by the game through the addresses GetProcAddress gave.
// Once the process ends, one whose lock another thread holds does nothing: the game goes on at
// its own pace, as without the module.
void __cdecl AppendMessageAndPause(const char* text);
void __cdecl AppendMessage(const char* text);
void __cdecl AppendAIMessage(const char* text);
void __cdecl SetFrameNumber(int frame);
bool __cdecl CanAppContinue();
bool __cdecl RunAppFast();
void __cdecl ForceAppContinue();

// The detour of Kernel32's GetProcAddress; g_originalGetProcAddress leads back into it.
FARPROC WINAPI hookedGetProcAddress(HMODULE module, LPCSTR name);

// What the controller's callables do: they read and write the time-pause state.
bool isPausedCallback();
bool isFastForwardingCallback();
void setPausedCallback(bool paused);
void setFrameNumberCallback(int frame);
void appendMessageCallback(std::string message);

// Fills the controller's callables and installs it. Called once, at start-up.
void initializeGameDebugModule(const TheGameModule& module, HookRoutine hook);

}  // namespace Zo::KV9RudiVeruv
