#include "hostgame/scenarios/lua_thread_scenarios.h"

#include "hostgame/game/game_debug_module.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/scenarios/overlay_game.h"
#include "hostgame/scenarios/tool_window_layout.h"
#include "overlay/lua_command_scripts.h"
#include "overlay/lua_functions_window.h"
#include "overlay/main_window.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <exception>
#include <string>
#include <thread>
#include <vector>

namespace HostGame {

namespace {

using namespace std::chrono_literals;

// Only a hang misses it.
constexpr auto kDeadline = 1200s;

// The unit colour command as the game receives it: the stored text, each byte less 7.
std::string unitColorCommandText() {
    std::string text(Zo::KV9RudiVeruv::kUnitColorScript);
    for (char& byte : text) byte = static_cast<char>(static_cast<unsigned char>(byte) - 7);
    return text;
}

int commandsIn(const lua_State* L, const std::string& command) {
    int commands = 0;
    for (const std::string& chunk : L->chunks) commands += chunk.starts_with(command);
    return commands;
}

// What one match of the game's Lua thread saw.
struct Match {
    int commands = 0;
    int offThreadChunks = 0;
    bool inTime = false;
};

// One match on the game's Lua thread: a state whose scripts assign "GetFrame", then tick until
// `commands` unit colour commands arrived, each tick reading an "ObjID..." global (the Lua
// functions window shows) with an empty stack. The state then ends.
Match playMatch(int commands, std::chrono::steady_clock::time_point deadline,
                void (*reportChunk)(const char*) = nullptr) {
    static const std::string command = unitColorCommandText();
    const auto L = newGameState();
    assignGlobalFunction(L.get(), "GetFrame", host_base_noop);
    assignGlobalNumber(L.get(), "ObjIDList", 7);
    L->reportChunk = reportChunk;
    while (commandsIn(L.get(), command) < commands &&
           std::chrono::steady_clock::now() < deadline) {
        lua_getglobal(L.get(), "ObjIDList");
        lua_settop(L.get(), 0);
        std::this_thread::sleep_for(1ms);
    }
    Match match;
    match.commands = commandsIn(L.get(), command);
    match.offThreadChunks = L->offThreadChunks;
    match.inTime = match.commands >= commands;
    return match;
}

// The render thread clicks the Lua functions window's unit colour button until the game's Lua
// thread is done; the pointer stays on the button, so each click is a press frame and a
// release frame. Returns the clicks.
int clickUntil(OverlayGame& game, const std::atomic<bool>& done) {
    const LPARAM at = MAKELPARAM(kUnitColorButton.x, kUnitColorButton.y);
    SetCursorPos(kUnitColorButton.x, kUnitColorButton.y);
    game.window().send(WM_MOUSEMOVE, 0, at);
    int clicks = 0;
    while (!done) {
        game.window().send(WM_LBUTTONDOWN, MK_LBUTTON, at);
        game.device().drawFrame(kGameColor);
        game.window().send(WM_LBUTTONUP, 0, at);
        game.device().drawFrame(kGameColor);
        ++clicks;
    }
    return clicks;
}

// Ends the process as failed when `done` is not set within the deadline: threads that wait on
// each other's locks never get there.
class HangWatch {
public:
    HangWatch(const std::atomic<bool>& done, std::string what)
        : m_thread([&done, what = std::move(what)] {
              const auto deadline = std::chrono::steady_clock::now() + kDeadline;
              while (!done) {
                  if (std::chrono::steady_clock::now() > deadline) {
                      std::printf("FAILED: %s within %d s: a hang\n", what.c_str(),
                                  static_cast<int>(kDeadline.count()));
                      std::fflush(stdout);
                      TerminateProcess(GetCurrentProcess(), 1);
                  }
                  std::this_thread::sleep_for(10ms);
              }
          }) {}
    ~HangWatch() { m_thread.join(); }

private:
    std::thread m_thread;
};

// The render thread clicks while the game's Lua thread plays match after match, each state
// ending once it got its commands. The commands run in the state they were sent to, on its own
// thread.
int commandWhileStateEnds(ScenarioChecks& checks, OverlayGame& game) {
    constexpr int kMatches = 20;
    constexpr int kCommandsPerMatch = 10;
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    std::atomic<bool> played{false};
    int matchesEnded = 0;
    int received = 0;
    int offThread = 0;
    bool inTime = true;
    std::thread luaThread([&] {
        for (int i = 0; i < kMatches && inTime; ++i) {
            const Match match = playMatch(kCommandsPerMatch, deadline);
            received += match.commands;
            offThread += match.offThreadChunks;
            inTime = match.inTime;
            ++matchesEnded;
        }
        played = true;
    });
    const int clicks = clickUntil(game, played);
    luaThread.join();
    checks.check(inTime && matchesEnded == kMatches,
                 std::to_string(matchesEnded) + " game Lua states ended, each after " +
                     std::to_string(kCommandsPerMatch) + " commands, within " +
                     std::to_string(kDeadline.count()) + " s");
    checks.check(received >= kMatches * kCommandsPerMatch,
                 std::to_string(received) + " unit colour commands ran in the game's states (" +
                     std::to_string(clicks) + " clicks)");
    checks.check(offThread == 0, "every chunk ran on the game's Lua thread (" +
                                     std::to_string(offThread) + " on another)");
    return checks.exitCode();
}

// The debug module the game reports its chunks to.
DebugModuleFunctions g_chunkReportModule;

void reportChunkToDebugModule(const char* text) { g_chunkReportModule.appendMessage(text); }

// Each command makes the game call its debug module's AppendMessage while the logic loop
// reports its frames through SetFrameNumber: the commands, the frames and the messages all
// go on, with no lock waiting on another.
int commandCallsDebugModule(ScenarioChecks& checks, OverlayGame& game) {
    constexpr int kCommands = 20;
    g_chunkReportModule = lookUpDebugFunctions(game.debugModule(), &GetProcAddress);
    checks.check(g_chunkReportModule.appendMessage != nullptr, "the game found AppendMessage");
    if (g_chunkReportModule.appendMessage == nullptr) return checks.exitCode();
    const int framesBefore = game.loop().status().frame;
    std::atomic<bool> played{false};
    Match match;
    {
        const HangWatch watch(played, std::to_string(kCommands) + " commands");
        std::thread luaThread([&] {
            match = playMatch(kCommands, std::chrono::steady_clock::now() + kDeadline,
                              reportChunkToDebugModule);
            played = true;
        });
        clickUntil(game, played);
        luaThread.join();
    }
    checks.check(match.inTime, std::to_string(match.commands) + " commands ran in the game's "
                                   "state, each reporting to the debug module");
    checks.check(game.loop().waitForTicks(2) && game.loop().status().frame > framesBefore,
                 "the logic loop went on reporting its frames");
    checkOutputLog(checks, game.outputLog(),
                   std::vector<std::string>(match.commands, "[Game] dostring ran a chunk"));
    return checks.exitCode();
}

// Only the main tool window (collapsed, for short frames) and the Lua functions window, where
// the tool window layout puts it.
void writeLuaWindowLayout(const std::filesystem::path& folder) {
    using namespace Zo::KV9RudiVeruv;
    std::ofstream ini(folder / "imgui.ini");
    writeWindowPlace(ini, kMainWindowTitle, 0, 0, 540, 720, true);
    writeWindowPlace(ini, kLuaFunctionsWindowTitle, 960, 0, 320, 420, false);
}

using ScenarioBody = int (*)(ScenarioChecks& checks, OverlayGame& game);

// The game with the tool windows placed, no game Lua state of the main thread's: the game's Lua
// thread is the scenario's own.
int inLuaThreadGame(ScenarioChecks& checks, const char* scenario, ScenarioBody body) {
    try {
        writeLuaWindowLayout(std::filesystem::current_path());
        OverlayGameOptions options;
        options.fonts = SystemFonts::MonospaceAndChinese;
        OverlayGame game(checks, scenario, options);
        if (!game.started()) return checks.exitCode();
        for (int i = 0; i < 3; ++i) game.device().drawFrame(kGameColor);
        return body(checks, game);
    } catch (const std::exception& error) {
        checks.check(false, std::string("the game ran: ") + error.what());
        return checks.exitCode();
    }
}

}  // namespace

const std::vector<Scenario>& luaThreadScenarios() {
    static const std::vector<Scenario> scenarios = [] {
        struct Entry {
            const char* name;
            ScenarioBody body;
        };
        const Entry entries[] = {
            {"overlay_command_while_state_ends", commandWhileStateEnds},
            {"overlay_command_calls_debug_module", commandCallsDebugModule},
        };
        std::vector<Scenario> all;
        for (const Entry& entry : entries) {
            all.push_back({entry.name, [entry](ScenarioChecks& checks) {
                               return inLuaThreadGame(checks, entry.name, entry.body);
                           }});
        }
        return all;
    }();
    return scenarios;
}

}  // namespace HostGame
