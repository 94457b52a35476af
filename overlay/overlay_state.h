#pragma once

// The camera and overlay tool's process-wide state, grouped by the code that owns it; the
// definitions stay beside their owners, named in each group's heading. All of it is read and
// written under g_stateMutex (rudiveruv_state.h) unless its group says otherwise.

#include <boost/circular_buffer_fwd.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
struct HWND__;  // <windows.h>'s HWND points to it
#endif

namespace Zo::KV9RudiVeruv {

struct CameraProfile;     // camera_profile.h
struct OutputLogEntry;    // output_log.h
struct PlayerColorTable;  // lua_functions_state.h
struct TeamPlayerList;    // lua_functions_state.h
class ToolkitInputQueue;  // toolkit_input_queue.h

// --- The overlay frame and the window procedure (overlay_state.cpp) --------------------------

// The overlay's windows are drawn; the display hotkey flips it.
extern bool g_overlayVisible;
// Named per-frame callbacks, called in key order while the overlay is shown. The plug-in adds
// none of its own; each entry must hold a callable.
extern std::map<std::string, std::function<void()>> g_frameCallbacks;

// --- The three Ctrl hotkeys (hotkey_letters.cpp) ----------------------------------------------

// Each is compared with the low byte of a key message's virtual-key code; 0 is no hotkey.
extern char g_hotkeyDisplay;    // shows and hides the overlay
extern char g_hotkeyPause;      // toggles time pause
extern char g_hotkeyAnimation;  // plays and stops the camera animation

// --- The camera profiles (camera_profile.cpp) -------------------------------------------------

// The working copy is taken from the list entry at g_currentProfileIndex when a profile is
// selected, and written back on a change of selection and on save.
extern std::vector<CameraProfile> g_cameraProfiles;
extern CameraProfile g_currentProfile;
extern int32_t g_currentProfileIndex;

// --- The camera configuration file (camera_config.cpp) ----------------------------------------

extern std::wstring g_configPath;
extern std::string g_configStatusText;    // UTF-8; the main window shows it while not empty
extern std::string g_configStatusDetail;  // UTF-8; the file's canonical path
// The last load could not read the file: the next save copies its bytes aside before it
// replaces the file.
extern bool g_configFileNotRead;
// Where the bytes of a file that was not read were copied; empty while none were. The save's
// status detail names it.
extern std::wstring g_configKeptCopy;

// --- The Output log (output_log.cpp) ----------------------------------------------------------

// Appending to the full ring overwrites the oldest line.
extern boost::circular_buffer<OutputLogEntry> g_outputLog;

// --- The main tool window (main_window.cpp) and its render settings
//     (render_settings_panel.cpp) ------------------------------------------------------------

// All four start off and are not saved.
extern bool g_cameraControlEnabled;  // "启用摄像机操作"
extern bool g_cameraCodePatched;     // the camera code has been patched, once for the process
extern bool g_hideHealthBars;        // "不显示血条和维修标志"
extern bool g_hideSilhouettes;       // "不显示建筑背后的单位剪影"

// --- The Lua functions window (lua_functions_state.cpp) ---------------------------------------

extern PlayerColorTable g_playerColorTable;
extern TeamPlayerList g_teamPlayerList;
// What the window last told the game; not the game's own state after a new match.
extern bool g_gameInputEnabled;

// --- The window messages on their way to the toolkit (toolkit_input_queue.cpp) ---------------

// The game window's one queue; it has a lock of its own.
extern ToolkitInputQueue g_toolkitInput;

// --- The Windows edge: the game's device, window and camera code -----------------------------

// -0.1, loaded by the patched camera code for the life of the process (game_render_memory.cpp).
extern const double g_cameraPatchConstant;

#ifdef _WIN32
// What the first frame's start gave: 0 the overlay is off for good, 1 it runs without Chinese
// glyphs, 2 with them. The font-texture fallback lowers 2 to 1 (overlay_start.cpp).
extern int g_overlayStartResult;
// An HWND and a WNDPROC, spelled out so that the overlay's portable code does without
// <windows.h>; the definitions in overlay_start.cpp see it, and a difference would not compile.
extern HWND__* g_gameWindow;  // the device's focus window
// The game window's own procedure.
extern long(__stdcall* g_originalWndProc)(HWND__* window, unsigned int message,
                                          unsigned int wParam, long lParam);
// Set once the toolkit and both of its back ends have started; until then the replacement
// procedure hands every message straight to the game. Atomic: that procedure reads it on the
// window's thread without g_stateMutex.
extern std::atomic<bool> g_overlayTakesInput;
// The window procedure took the mouse capture for a press that the overlay kept; it gives back
// only a capture it took (overlay_window_procedure.cpp). The window's thread alone uses it.
extern bool g_overlayTookMouseCapture;
#endif

}  // namespace Zo::KV9RudiVeruv
