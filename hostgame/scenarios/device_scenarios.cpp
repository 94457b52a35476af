#include "hostgame/scenarios/device_scenarios.h"

#include "hostgame/game/game_device.h"
#include "hostgame/game/game_replay.h"
#include "hostgame/game/game_replay_header.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/loader/plugin_loader.h"

#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace HostGame {

namespace {

using namespace std::chrono_literals;

constexpr char kProbeWindowClass[] = "TovekTemporaryClass";
constexpr std::size_t kResetSlot = 16;
constexpr std::size_t kEndSceneSlot = 42;

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

uint32_t addressOf(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

bool startPlugin(ScenarioChecks& checks, const std::filesystem::path& dll,
                 const PluginRunOptions& options = {}) {
    const PluginRun run = runPlugin(dll, kMinimalCustomData, options);
    checks.check(run.result, "tovek_plugin_init returned true");
    if (!run.result) {
        for (const auto& line : run.log) std::printf("  log: %s\n", line.c_str());
    }
    return run.result;
}

// The windows made and destroyed on this thread while it lives, seen through a thread-local CBT
// hook, which the system calls before each window is made or destroyed.
class WindowWatch {
public:
    WindowWatch() : m_hook(SetWindowsHookExW(WH_CBT, onCbt, nullptr, GetCurrentThreadId())) {
        t_watch = this;
    }
    ~WindowWatch() {
        UnhookWindowsHookEx(m_hook);
        t_watch = nullptr;
    }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    bool watching() const { return m_hook != nullptr; }
    // How many windows of the class were made, and how many of those destroyed.
    int made(const char* className) const { return count(className, false); }
    int destroyed(const char* className) const { return count(className, true); }

private:
    struct Window {
        HWND handle;
        std::string className;
        bool destroyed;
    };

    static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_CREATEWND) {
            char className[64] = {};
            GetClassNameA(window, className, sizeof className);
            t_watch->m_windows.push_back({window, className, false});
        } else if (code == HCBT_DESTROYWND) {
            for (Window& made : t_watch->m_windows) {
                if (made.handle == window) made.destroyed = true;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    int count(const char* className, bool destroyedOnly) const {
        int windows = 0;
        for (const Window& window : m_windows) {
            if (window.className == className && (window.destroyed || !destroyedOnly)) ++windows;
        }
        return windows;
    }

    static thread_local WindowWatch* t_watch;
    HHOOK m_hook;
    std::vector<Window> m_windows;
};

thread_local WindowWatch* WindowWatch::t_watch = nullptr;

// Where a detour's jmp rel32 over a function's first bytes leads; 0 when it starts otherwise.
uint32_t jumpTarget(const void* function) {
    const auto* code = static_cast<const uint8_t*>(function);
    if (code[0] != 0xE9) return 0;
    int32_t displacement = 0;
    std::memcpy(&displacement, code + 1, sizeof displacement);
    return addressOf(code) + 5 + static_cast<uint32_t>(displacement);
}

bool insideModule(HMODULE module, uint32_t address) {
    MODULEINFO info{};
    if (!K32GetModuleInformation(GetCurrentProcess(), module, &info, sizeof info)) return false;
    const uint32_t begin = addressOf(info.lpBaseOfDll);
    return address >= begin && address - begin < info.SizeOfImage;
}

void* virtualFunction(IDirect3DDevice9* device, std::size_t slot) {
    return (*reinterpret_cast<void***>(device))[slot];
}

void checkDetour(ScenarioChecks& checks, const char* name, const void* function,
                 HMODULE vellox) {
    const uint32_t target = jumpTarget(function);
    checks.check(target != 0 && insideModule(vellox, target),
                 std::string(name) + "'s first bytes jump into Vellox.dll (to " + hex(target) +
                     ")");
}

// The game's calls of these reach the plug-in's replay detours first.
void checkRuntimeDetours(ScenarioChecks& checks, const std::filesystem::path& dll) {
    const GameRuntime& runtime = gameRuntime();
    const std::pair<const char*, const void*> functions[] = {
        {"_wfopen", reinterpret_cast<const void*>(runtime.wfopen)},
        {"fwrite", reinterpret_cast<const void*>(runtime.fwrite)},
        {"ftell", reinterpret_cast<const void*>(runtime.ftell)},
        {"fclose", reinterpret_cast<const void*>(runtime.fclose)},
    };
    for (const auto& [name, function] : functions) {
        checkDetour(checks, name, function, GetModuleHandleW(dll.c_str()));
    }
}

std::string frameText(const FrameResults& frame) {
    return "Clear " + hex(frame.clear) + ", BeginScene " + hex(frame.beginScene) +
           ", EndScene " + hex(frame.endScene) + ", Present " + hex(frame.present) +
           ", back buffer " + (frame.backBufferColor ? hex(*frame.backBufferColor) : "unread");
}

void checkFrame(ScenarioChecks& checks, GameDevice& game, const std::string& when,
                D3DCOLOR color) {
    const FrameResults frame = game.drawFrame(color);
    const bool held = frame.succeeded() && frame.backBufferColor == color;
    checks.check(held, "a frame " + when + " gives D3D_OK four times and its back buffer holds " +
                           hex(color) + (held ? "" : ": " + frameText(frame)));
}

// The game draws with its own device; the plug-in starts with or without a known build's
// holder of that device, and either way detours the device's EndScene and Reset.
int deviceStartup(ScenarioChecks& checks, const char* scenario,
                  std::optional<DeviceHolderBuild> build) {
    std::optional<GameDevice> game;
    try {
        game.emplace();
    } catch (const std::exception& error) {
        checks.check(false, std::string("the game made its device: ") + error.what());
        return checks.exitCode();
    }
    std::optional<DeviceHolder> holder;
    if (build) holder.emplace(*build, game->device());
    checkFrame(checks, *game, "before the start-up", 0x204060);

    const auto dll = freshPluginCopy(scenario);
    bool started = false;
    int made = 0;
    int destroyed = 0;
    PluginRunOptions watched;
    watched.onLoaderThread = [&](const std::function<void()>& callExport) {
        const WindowWatch windows;
        checks.check(windows.watching(), "window creation is watched on the loader's thread");
        callExport();
        made = windows.made(kProbeWindowClass);
        destroyed = windows.destroyed(kProbeWindowClass);
    };
    started = startPlugin(checks, dll, watched);
    if (!started) return checks.exitCode();
    if (build) {
        checks.check(made == 0, "the start-up made no window of class TovekTemporaryClass (" +
                                    std::to_string(made) + "): it took the game's device");
    } else {
        checks.check(made == 1 && destroyed == 1,
                     "the start-up made one window of class TovekTemporaryClass and destroyed it"
                     " (" + std::to_string(made) + " made, " + std::to_string(destroyed) +
                         " destroyed): a temporary device");
    }

    const HMODULE vellox = GetModuleHandleW(dll.c_str());
    checkDetour(checks, "EndScene", virtualFunction(game->device(), kEndSceneSlot), vellox);
    checkDetour(checks, "Reset", virtualFunction(game->device(), kResetSlot), vellox);
    checkFrame(checks, *game, "after the start-up", 0xC08010);
    const HRESULT reset = game->reset();
    checks.check(reset == D3D_OK, "the detoured Reset gives D3D_OK (" + hex(reset) + ")");
    checkFrame(checks, *game, "after the reset", 0x10E0A0);
    return checks.exitCode();
}

// The watch the plug-in gave a game Lua state: a global named after the plug-in's random number
// and the state's count, holding the file the state opened on the watch's named pipe.
struct LuaStateWatch {
    std::string randomId;
    int counter = 0;
    std::string pipePath;
};

std::optional<LuaStateWatch> watchOf(lua_State* L) {
    static const std::regex checkerName(R"(tovek_kv9_lua_output_plugin_checker_(\d+)_(\d+))");
    for (const auto& [name, value] : L->globals) {
        std::smatch match;
        if (!std::regex_match(name, match, checkerName) || value.tag != HostLua::kUserdata) {
            continue;
        }
        return LuaStateWatch{match[1].str(), std::stoi(match[2].str()), "\\\\.\\pipe\\" + name};
    }
    return std::nullopt;
}

// A new game Lua state whose scripts assign "GetFrame", which hands it to the plug-in.
std::unique_ptr<lua_State> startGameLuaState() {
    auto state = newGameState();
    assignGlobalFunction(state.get(), "GetFrame", host_base_noop);
    return state;
}

// A named pipe's state as a client sees it, without connecting: "waiting" while its one
// instance is connected, "gone" once its server end is closed.
std::string pipeState(const std::string& path) {
    if (WaitNamedPipeA(path.c_str(), 1)) return "free";
    const DWORD error = GetLastError();
    if (error == ERROR_SEM_TIMEOUT) return "waiting";
    if (error == ERROR_FILE_NOT_FOUND) return "gone";
    return "error " + std::to_string(error);
}

bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kHangLimit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Ends a game Lua state, which closes its files, and tells whether the plug-in's watcher of it
// has closed the watch's pipe.
bool endGameLuaState(std::unique_ptr<lua_State>& state, const LuaStateWatch& watch) {
    state.reset();
    return eventually([&] { return pipeState(watch.pipePath) == "gone"; });
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the game records after the header: frames of commands, here a counting pattern.
std::string replayBody(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>(i * 7);
    return body;
}

// The game records a replay while its game Lua state starts: header, its first ftell, then the
// body. Whether time pause is allowed for the state (for game mode 1 only) is decided inside
// the plug-in and shows nowhere the host can look; tests/lua_state_watch_test.cpp covers the
// rule. What the host sees is that the detours change nothing of what the game writes.
int recordReplay(ScenarioChecks& checks, const char* scenario, int gameMode) {
    const auto dll = freshPluginCopy(scenario);
    gameRuntime();  // bound before any plug-in starts, as the game's imports are
    if (!startPlugin(checks, dll)) return checks.exitCode();
    checkRuntimeDetours(checks, dll);
    const auto path = dll.parent_path() / "game.KV9Replay";
    const std::string header = replayHeaderBytes(replayHeaderOfGameMode(gameMode));
    const std::string body = replayBody(4500);

    ReplayFile replay = ReplayFile::create(path);
    checks.check(replay.isOpen(), "the game's _wfopen created the recording");
    if (!replay.isOpen()) return checks.exitCode();
    // The fixed part byte by byte, the text as one element.
    const std::size_t text = header.find("M=");
    checks.check(replay.write(header.substr(0, text)) == text &&
                     replay.write(header.substr(text), header.size() - text) == 1,
                 "fwrite of the header of game mode " + std::to_string(gameMode) +
                     " in two calls gave their counts");
    checks.check(replay.position() == static_cast<long>(header.size()),
                 "ftell after the header gives its size");
    auto state = startGameLuaState();
    const auto watch = watchOf(state.get());
    checks.check(watch.has_value(),
                 "the game Lua state started during the recording got its watch");
    checks.check(replay.write(body, 4) == body.size() / 4,
                 "fwrite of the body in 4-byte elements gave their count");
    checks.check(replay.position() == static_cast<long>(header.size() + body.size()),
                 "ftell at the end gives the whole size");
    checks.check(watch && endGameLuaState(state, *watch),
                 "the game Lua state ended, and its watcher closed the pipe");
    checks.check(replay.close() == 0, "fclose gave 0");
    checks.check(fileBytes(path) == header + body,
                 "the file holds exactly the bytes the game wrote");
    return checks.exitCode();
}

// The game watches a saved replay, longer than the head the plug-in reads ahead when it is
// opened: the game still reads every byte from the start.
int playReplay(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("replay_playback");
    const auto path = dll.parent_path() / "Saved Match.KV9Replay";
    const std::string saved = replayHeaderBytes(replayHeaderOfGameMode(2)) + replayBody(6000);
    std::ofstream(path, std::ios::binary) << saved;
    gameRuntime();
    if (!startPlugin(checks, dll)) return checks.exitCode();
    checkRuntimeDetours(checks, dll);

    ReplayFile replay = ReplayFile::open(path);
    checks.check(replay.isOpen(), "the game's _wfopen opened the replay");
    if (!replay.isOpen()) return checks.exitCode();
    checks.check(replay.position() == 0, "ftell after the open gives 0");
    auto state = startGameLuaState();
    const auto watch = watchOf(state.get());
    checks.check(watch.has_value(), "the game Lua state started during the playback got its watch");
    std::string read;
    for (std::string chunk; !(chunk = replay.read(1000)).empty();) read += chunk;
    checks.check(read == saved, "fread gave the whole file from its start (" +
                                    std::to_string(read.size()) + " of " +
                                    std::to_string(saved.size()) + " bytes)");
    checks.check(watch && endGameLuaState(state, *watch),
                 "the game Lua state ended, and its watcher closed the pipe");
    checks.check(replay.close() == 0, "fclose gave 0");
    return checks.exitCode();
}

// Two game Lua states in a row, then the first one's end: the plug-in's watcher of a state
// closes its pipe once the state has closed its file. (The newest state the plug-in remembers
// and the withdrawn pause permission stay inside the plug-in; tests/lua_state_watch_test.cpp
// covers them.)
int luaStateEnd(ScenarioChecks& checks) {
    if (!startPlugin(checks, freshPluginCopy("lua_state_end"))) return checks.exitCode();
    auto first = startGameLuaState();
    auto second = startGameLuaState();
    const auto firstWatch = watchOf(first.get());
    const auto secondWatch = watchOf(second.get());
    checks.check(firstWatch && secondWatch, "each state got its watch global holding a file");
    if (!firstWatch || !secondWatch) return checks.exitCode();
    checks.check(firstWatch->counter == 1 && secondWatch->counter == 2 &&
                     firstWatch->randomId == secondWatch->randomId,
                 "the watches are numbered 1 and 2 after one random number");
    checks.check(pipeState(firstWatch->pipePath) == "waiting" &&
                     pipeState(secondWatch->pipePath) == "waiting",
                 "both states hold their pipe's one instance");

    checks.check(endGameLuaState(first, *firstWatch),
                 "after the first state's end its watcher closed the pipe");
    checks.check(pipeState(secondWatch->pipePath) == "waiting",
                 "the second state's pipe is still held");
    checks.check(endGameLuaState(second, *secondWatch),
                 "after the second state's end its pipe is gone too");
    return checks.exitCode();
}

}  // namespace

const std::vector<Scenario>& deviceScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"device_holder_build_a",
         [](ScenarioChecks& checks) {
             return deviceStartup(checks, "device_holder_build_a", DeviceHolderBuild::A);
         }},
        {"device_holder_build_b",
         [](ScenarioChecks& checks) {
             return deviceStartup(checks, "device_holder_build_b", DeviceHolderBuild::B);
         }},
        {"device_without_holder",
         [](ScenarioChecks& checks) {
             return deviceStartup(checks, "device_without_holder", std::nullopt);
         }},
        {"replay_record_mode_1",
         [](ScenarioChecks& checks) { return recordReplay(checks, "replay_record_mode_1", 1); }},
        {"replay_record_mode_2",
         [](ScenarioChecks& checks) { return recordReplay(checks, "replay_record_mode_2", 2); }},
        {"replay_playback", playReplay},
        {"lua_state_end", luaStateEnd},
    };
    return scenarios;
}

}  // namespace HostGame
