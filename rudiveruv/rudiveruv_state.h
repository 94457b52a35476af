#pragma once

// The time-pause plug-in's process-wide state, grouped by the code that owns it; the
// definitions stay beside their owners, named in each group's heading.

#include "bridge/kv9_lua.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace Zo::KV9RudiVeruv {

struct GameCrtFunctions;  // game_crt_functions.h
struct ReplayCapture;     // replay_capture.h
struct TimePauseEdges;    // time_pause_edges.h

// --- The time-pause state that the debug module, the Lua-state watch and the overlay share
//     (time_pause_state.cpp) ---------------------------------------------------------------

// Guards every time-pause global below but the two atomics, and the overlay's own state.
// Recursive: the overlay frame holds it while its buttons append to the Output log. Its place
// in the system's one lock order: time_pause_state.h.
extern std::recursive_mutex& g_stateMutex;

extern std::atomic<bool> g_rudiVeruvd;  // time pause requested
extern std::atomic<bool> g_runFast;     // fast-forward requested
extern double g_gameTime;               // seconds: the logic frame / 15, in single precision
extern int g_logicFrame;                // the frame the game reported last
extern float g_fastForwardTarget;       // seconds; not above 0 means no target
extern bool g_rudiVeruvAllowed;         // pausing is possible in the current game state
extern bool g_luaWindowAvailable;       // the game's Lua state has shown object events

// --- The plug-in's start (plugin_start.cpp) ---------------------------------------------------

// Set to 1 by the first start; never cleared, so the plug-in starts once per process.
extern std::atomic<int> g_rudiVeruvInitCalled;
// Under the debug module's controller lock.
extern bool g_debugModuleInitialized;

// --- What the plug-in reaches above itself (time_pause_edges.cpp) ----------------------------

// Filled once by the plug-in's start, before any of its detours is in place.
extern TimePauseEdges g_timePauseEdges;

// --- The replacement debug module (rudiveruv_controller.cpp) --------------------------------

// The detour of Kernel32's GetProcAddress leads back into it through this.
extern void* g_originalGetProcAddress;

// --- The device's EndScene and Reset (render_hooks.cpp) --------------------------------------

// Each first holds the function found on the device; once detoured, the way back into it.
extern void* g_originalEndScene;
extern void* g_originalReset;

// --- The plug-in's own hold on the game's Lua (rudiveruv_lua.cpp) -----------------------------

// Filled once at start-up. Its getglobal field is detoured, so it then leads back into the
// game's own function.
extern Tovek::KV9Lua::KV9Lua g_rudiVeruvLua;
// The game's base function "dostring", called directly with the state; null until start-up
// found it.
extern Tovek::KV9Lua::lua_CFunction g_luaDostring;
// Drawn once at start-up; part of every Lua-state watch's pipe name.
extern uint32_t g_checkerRandomId;

// --- The Lua-state watch (lua_state_watch.cpp) ------------------------------------------------

// The newest game Lua state; null before the first and after its end.
extern std::atomic<Tovek::KV9Lua::LuaState*> g_gameLuaState;
// How many game Lua states have arrived; numbers the watch names.
extern std::atomic<int> g_checkerCounter;

// --- The game runtime's file functions and the replay they write or read --------------------

// Filled at start-up (game_crt_functions.cpp). Once the replay detours are in place, their
// fields lead back into the game's own functions.
extern GameCrtFunctions g_gameCrt;
// Lives to the very end of the process: the detours may run after every static destructor
// (replay_capture.cpp).
extern ReplayCapture& g_replayCapture;

// --- The end of the process (process_end.cpp) -------------------------------------------------

// Set by beginProcessEnd; never cleared.
extern std::atomic<bool> g_processEnding;

}  // namespace Zo::KV9RudiVeruv
