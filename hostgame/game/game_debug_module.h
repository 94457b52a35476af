#pragma once

// The game's side of its optional debug module. Where the game's code needs the module, it reads
// a module handle from a global of its own; when that is not null, it asks GetProcAddress for the
// module's functions. Its logic loop reports every frame through them, holds while the module
// says it may not go on and runs several frames a tick while the module asks for speed.

#include "hostgame/game/known_build_code.h"

#include <windows.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace HostGame {

// The two known builds of the game, told apart by the code that reads the handle global.
enum class DebugModuleBuild { A, B };

// Where a build keeps its call site and the handle global: the code loads the global (its
// absolute address is in bytes 2 to 5), skips the look-up when it is null, pushes one of two
// names and calls GetProcAddress through the game's import slot.
const KnownBuildCode& debugModuleCallSiteLayout(DebugModuleBuild build);

using ProcAddressLookUp = FARPROC(WINAPI*)(HMODULE module, LPCSTR name);

// A call site placed in this image's data area, whose page is made executable: the game's
// look-ups run there (game_debug_call_sites.S).
struct DebugModuleCallSite {
    HMODULE* handleGlobal;
    uint8_t* code;
    // The slot the code calls GetProcAddress through, as the game's import holds it.
    ProcAddressLookUp* importSlot;
    // The code at `code`: one of the game's two names, or any name.
    FARPROC(__cdecl* pickedLookUp)(void* unused, bool withPause);
    FARPROC(__cdecl* namedLookUp)(const char* name);
};

// Copies the build's look-ups to their place in this image, writes the game's two names and its
// import slot where the code reads them and clears the handle global, as the game's image holds
// them when it is loaded. Done before the plug-in starts, which looks for the code.
DebugModuleCallSite placeDebugModuleCallSite(DebugModuleBuild build);

// How many look-ups went through a call site's code so far, in any thread.
uint32_t debugCallSiteRuns();

// A debug module's functions as the game calls them; a name the module does not know stays null.
struct DebugModuleFunctions {
    void(__cdecl* appendMessageAndPause)(const char* text) = nullptr;
    void(__cdecl* appendMessage)(const char* text) = nullptr;
    void(__cdecl* appendAIMessage)(const char* text) = nullptr;
    void(__cdecl* setFrameNumber)(int frame) = nullptr;
    bool(__cdecl* canAppContinue)() = nullptr;
    bool(__cdecl* runAppFast)() = nullptr;
    void(__cdecl* forceAppContinue)() = nullptr;
};

// Asks the look-up for each of the seven names on the module.
DebugModuleFunctions lookUpDebugFunctions(HMODULE module, ProcAddressLookUp lookUp);

// What the game's side hands to its debug module.
enum class GameDebugCall {
    AppendMessageAndPause,
    AppendMessage,
    AppendAIMessage,
    ForceAppContinue,
};

// Frames a tick runs while the debug module asks for speed.
inline constexpr int kFastFramesPerTick = 4;

// What the logic loop has done so far. Each field is updated at the end of a tick.
struct GameLogicStatus {
    int frame = 0;             // the last frame run; the first is 1
    uint64_t ticks = 0;
    uint64_t heldTicks = 0;    // CanAppContinue said false: no frame ran
    uint64_t fastTicks = 0;    // RunAppFast said true: kFastFramesPerTick frames ran
    bool debugModule = false;  // the handle global held a module, whose functions were looked up
};

// The game's logic thread. Each tick it reads the handle global (looking the functions up again
// through the call site's code whenever the handle changed), hands over the calls the game's side asked for, then runs its
// frames, each reported with SetFrameNumber.
class GameLogicLoop {
public:
    // Starts the thread. The call site's import slot leads to GetProcAddress, as in the game,
    // unless a scenario gives a look-up of its own, which is then written into the slot.
    GameLogicLoop(const DebugModuleCallSite& site, std::chrono::milliseconds tickPeriod,
                  ProcAddressLookUp lookUp = nullptr);
    // Stops the thread after its current tick.
    ~GameLogicLoop();
    GameLogicLoop(const GameLogicLoop&) = delete;
    GameLogicLoop& operator=(const GameLogicLoop&) = delete;

    GameLogicStatus status() const;
    // Waits until `count` more ticks have ended; false when they did not within the timeout.
    bool waitForTicks(uint64_t count, std::chrono::milliseconds timeout = kWaitLimit);
    // Has the game thread make the call, with the text for a message, at the start of its next
    // tick, and waits until it was made (nothing is called without a debug module). False when
    // the game thread did not get to it within the wait limit.
    bool call(GameDebugCall call, const std::string& text = {});

private:
    // Only a hung game thread misses it, however slow or busy the machine.
    static constexpr std::chrono::milliseconds kWaitLimit{60000};

    struct PendingCall {
        GameDebugCall call;
        std::string text;
    };

    void run();
    void tick();
    void makeCall(const PendingCall& pending) const;

    const DebugModuleCallSite m_site;
    const std::chrono::milliseconds m_tickPeriod;
    // The game thread's own.
    HMODULE m_lookedUpHandle = nullptr;
    DebugModuleFunctions m_functions;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;  // a tick ended, a call was made, a call or stop is asked
    GameLogicStatus m_status;
    std::vector<PendingCall> m_pending;
    uint64_t m_callsAsked = 0;
    uint64_t m_callsMade = 0;
    bool m_stopping = false;

    std::thread m_thread;  // last: starts once everything above is built
};

}  // namespace HostGame
