#include "hostgame/scenarios/host_and_user_scenarios.h"

#include "hostgame/game/game_replay.h"
#include "hostgame/game/game_replay_header.h"
#include "hostgame/scenarios/overlay_game.h"
#include "hostgame/loader/plugin_cache.h"
#include "hostgame/loader/plugin_loader.h"
#include "hostgame/loader/scan_watch.h"
#include "hostgame/scenarios/tool_window_layout.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace HostGame {

namespace {

using namespace std::chrono_literals;

constexpr auto kHangDeadline = 60s;  // only a hang takes this long
constexpr uint8_t kPauseKey = 'O';

const std::string kPauseChanged = "Vellox状态更改！";
const std::vector<std::string> kPauseRefused = {"你无法在下列状态中进行时间暂停：", "1.多人游戏",
                                                "2.游戏菜单"};

// A loader whose block lacks its hook routine: refused with a line, and the one call is spent.
int nullHookRoutine(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("null_hook_routine");
    PluginRunOptions withoutHook;
    withoutHook.withoutHook = true;
    const auto first = runPlugin(dll, kMinimalCustomData, withoutHook);
    checks.check(first.loaded && !first.result, "tovek_plugin_init returned false");
    checks.checkLog(first.log, {"no hook routine provided"});
    const auto second = runPlugin(dll, kMinimalCustomData);
    checks.check(!second.result, "a second call returned false");
    checks.checkLog(second.log, {"already called"});
    return checks.exitCode();
}

// A loader whose block lacks its log routine: there is nowhere to report, so the call is refused
// before anything, and the one call stays for a block that has both routines.
int nullLogRoutine(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("null_log_routine");
    PluginRunOptions withoutLog;
    withoutLog.withoutLog = true;
    const auto first = runPlugin(dll, kMinimalCustomData, withoutLog);
    checks.check(first.loaded && !first.result, "tovek_plugin_init returned false");
    checks.check(first.log.empty(), "nothing reached the host's log");
    const auto second =
        runPlugin(dll, R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})");
    checks.check(second.result, "the next call with both routines returned true");
    return checks.exitCode();
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One byte of the cache file changed after a first run, in the middle of the ciphertext: the
// start-up says it could not load the cache, searches as on a first run, and writes the file anew.
int tamperedCacheFile(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("tampered_cache_file");
    checks.check(runStartupInNewProcess(dll) == 0, "a first process made the cold start-up");
    const auto file = cacheFileOf(dll);
    std::string text = fileText(file);
    const std::size_t ciphertext = text.find("\",\"") + 3;
    const std::size_t at = ciphertext + (text.size() - 2 - ciphertext) / 2;
    if (ciphertext < 3 || at >= text.size()) {
        checks.check(false, "the first run wrote a cache file of two strings");
        return checks.exitCode();
    }
    text[at] = text[at] == 'A' ? 'B' : 'A';  // another Base64URL digit
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;

    const auto [run, searched] = runPluginWatched(dll, kMinimalCustomData);
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.check(searched, "the start-up searched the module as on a first run");
    std::vector<std::string> expected = kStartupLog;
    const auto afterCache = std::find(expected.begin(), expected.end(), "Retrieving cache") + 1;
    expected.insert(afterCache, {"Failed to load pointers cache: ",
                                 "HashVerificationFilter: message hash or MAC not valid"});
    checks.checkLog(run.log, expected);
    checks.check(fileText(file) != text, "the tampered file was replaced");
    checkCacheFile(checks, file);
    return checks.exitCode();
}

// Ctrl and the pause letter pause the logic of a game whose pause is allowed.
void checkPauseAllowed(ScenarioChecks& checks, OverlayGame& game, const std::string& when) {
    game.cameraFrame(when);
    checks.check(game.logicRuns(), "the logic runs " + when);
    game.window().pressKey(kPauseKey, true);
    game.cameraFrame("while paused");
    checks.check(game.logicHeld(), "Ctrl+O paused the logic " + when);
}

// The game's Lua state ends while the game is paused: its watcher withdraws the permission, the
// next overlay frame ends the pause it no longer allows, and Ctrl and the pause letter are then
// refused.
int pauseWithdrawnWhenLuaStateEnds(ScenarioChecks& checks, OverlayGame& game) {
    game.startGameLuaState();
    checkPauseAllowed(checks, game, "while the game Lua state lives");
    game.endGameLuaState();
    int frames = 0;
    bool runs = false;
    for (const auto end = std::chrono::steady_clock::now() + kHangDeadline;
         !runs && std::chrono::steady_clock::now() < end; ++frames) {
        game.cameraFrame("after the state ended");
        runs = game.logicRuns();
    }
    checks.check(runs, "after the state ended, an overlay frame ended the pause (" +
                           std::to_string(frames) + " frames)");
    game.window().pressKey(kPauseKey, true);
    checks.check(game.logicRuns(), "Ctrl+O then leaves the logic running");
    std::vector<std::string> expected = {kPauseChanged};
    expected.insert(expected.end(), kPauseRefused.begin(), kPauseRefused.end());
    checkOutputLog(checks, game.outputLog(), expected);
    return checks.exitCode();
}

// A recording of a game of mode 1 is under way when the game Lua state starts.
int pauseAllowedRecordingMode1(ScenarioChecks& checks, OverlayGame& game) {
    ReplayFile replay = ReplayFile::create(game.folder() / "skirmish.KV9Replay");
    replay.write(replayHeaderBytes(replayHeaderOfGameMode(1)));
    replay.position();  // the plug-in reads the header at the game's first ftell
    game.startGameLuaState();
    checkPauseAllowed(checks, game, "during the recording of a mode 1 game");
    checkOutputLog(checks, game.outputLog(), {kPauseChanged});
    return checks.exitCode();
}

// The game plays a saved replay of a multiplayer game (mode 2) back: pause is allowed.
int pauseAllowedPlayback(ScenarioChecks& checks, OverlayGame& game) {
    const auto path = game.folder() / "Saved Match.KV9Replay";
    std::ofstream(path, std::ios::binary) << replayHeaderBytes(replayHeaderOfGameMode(2));
    ReplayFile replay = ReplayFile::open(path);
    checks.check(replay.isOpen(), "the game's _wfopen opened the replay");
    replay.position();
    game.startGameLuaState();
    checkPauseAllowed(checks, game, "during the playback of a mode 2 game");
    checkOutputLog(checks, game.outputLog(), {kPauseChanged});
    return checks.exitCode();
}

// What the game's logic loop asked the debug module, in order: each frame it reported and each
// answer of RunAppFast, with the last frame reported before it.
struct FastForwardRecord {
    std::mutex mutex;
    std::vector<std::pair<int, bool>> answers;
    int lastFrame = 0;
    void(__cdecl* setFrameNumber)(int) = nullptr;
    bool(__cdecl* runAppFast)() = nullptr;
};

FastForwardRecord g_fastForward;

void __cdecl recordedSetFrameNumber(int frame) {
    {
        std::lock_guard lock(g_fastForward.mutex);
        g_fastForward.lastFrame = frame;
    }
    g_fastForward.setFrameNumber(frame);
}

bool __cdecl recordedRunAppFast() {
    const bool fast = g_fastForward.runAppFast();
    std::lock_guard lock(g_fastForward.mutex);
    g_fastForward.answers.emplace_back(g_fastForward.lastFrame, fast);
    return fast;
}

// The game's GetProcAddress, with SetFrameNumber and RunAppFast recorded on their way.
FARPROC WINAPI recordingLookUp(HMODULE module, LPCSTR name) {
    const FARPROC found = GetProcAddress(module, name);
    if (found == nullptr) return found;
    if (std::string_view(name) == "SetFrameNumber") {
        g_fastForward.setFrameNumber =
            reinterpret_cast<void(__cdecl*)(int)>(reinterpret_cast<void*>(found));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&recordedSetFrameNumber));
    }
    if (std::string_view(name) == "RunAppFast") {
        g_fastForward.runAppFast =
            reinterpret_cast<bool(__cdecl*)()>(reinterpret_cast<void*>(found));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&recordedRunAppFast));
    }
    return found;
}

// The main tool window's fast-forward controls, as the layout places them once the target is
// switched on.
constexpr Point kFastForwardToTarget{18, 276};
constexpr Point kTargetTime{60, 300};
constexpr Point kStartFastForward{50, 324};

std::vector<std::pair<int, bool>> answersSoFar() {
    std::lock_guard lock(g_fastForward.mutex);
    return g_fastForward.answers;
}

// The first frame whose game time, as the debug module computes it (frame / 15 in single
// precision), lies within one second of the target.
int firstFrameWithinOneSecond(float target) {
    int frame = 0;
    while (1.0 <=
           static_cast<double>(target) - static_cast<double>(static_cast<float>(frame) / 15.0f)) {
        ++frame;
    }
    return frame;
}

// The player pauses, switches "自动快进至目标时间" on, types a target 20 s ahead and starts: the game runs
// fast, and the plug-in stops it at the first frame within one second of the target.
int fastForwardToTarget(ScenarioChecks& checks, OverlayGame& game) {
    game.startGameLuaState();
    for (int i = 0; i < 3; ++i) game.cameraFrame("as the overlay starts");
    game.window().pressKey(kPauseKey, true);
    checks.check(game.logicHeld(), "Ctrl+O paused the logic");
    const int pausedAt = game.loop().status().frame;
    const int target = pausedAt / 15 + 20;

    GameMouse mouse(game.device());
    mouse.click(kFastForwardToTarget);
    mouse.click(kTargetTime);  // the field takes the focus with its text selected
    for (const char digit : std::to_string(target)) {
        game.window().send(WM_CHAR, static_cast<WPARAM>(digit), 0);
        game.cameraFrame("while typing the target");
    }
    const FrameResults typed = game.device().drawFrame(kGameColor, true);
    if (typed.image) writePng(game.folder() / "target.png", *typed.image);
    // A paused game asks RunAppFast nothing: every answer from here on follows the start.
    const std::size_t before = answersSoFar().size();
    mouse.click(kStartFastForward);

    // Until RunAppFast has said false again after saying true, or a hang.
    constexpr std::size_t kNone = SIZE_MAX;
    std::vector<std::pair<int, bool>> answers;
    std::size_t firstTrue = kNone, stop = kNone;
    for (const auto end = std::chrono::steady_clock::now() + kHangDeadline;
         std::chrono::steady_clock::now() < end && stop == kNone;) {
        game.loop().waitForTicks(10);
        answers = answersSoFar();
        for (std::size_t i = before; i < answers.size() && stop == kNone; ++i) {
            if (firstTrue == kNone && answers[i].second) firstTrue = i;
            if (firstTrue != kNone && !answers[i].second) stop = i;
        }
    }
    checks.check(firstTrue != kNone, "RunAppFast answered true after the start button");
    checks.check(stop != kNone, "RunAppFast answered false again later");
    if (firstTrue == kNone || stop == kNone) return checks.exitCode();
    checks.check(answers[firstTrue].first == pausedAt,
                 "the start button ended the pause: fast from frame " +
                     std::to_string(answers[firstTrue].first) + ", paused at " +
                     std::to_string(pausedAt));
    const int expected = firstFrameWithinOneSecond(static_cast<float>(target));
    const int lastFast = answers[stop - 1].first;  // the frame before the last fast tick
    checks.check(lastFast < expected && expected <= answers[stop].first,
                 "fast-forward stopped in the tick that reported frame " +
                     std::to_string(expected) + " (game time " + std::to_string(expected / 15.0) +
                     " s, target " + std::to_string(target) + " s): the tick ran frames " +
                     std::to_string(lastFast + 1) + " to " + std::to_string(answers[stop].first));
    checks.check(target - expected / 15.0 < 1.0 && expected / 15.0 <= target,
                 "it stopped within one second before the target");
    game.loop().waitForTicks(10);
    const auto later = answersSoFar();
    checks.check(std::none_of(later.begin() + static_cast<long>(stop), later.end(),
                              [](const auto& answer) { return answer.second; }),
                 "and ran at normal speed from then on (" + std::to_string(later.size() - stop) +
                     " answers)");
    return checks.exitCode();
}

OverlayGameOptions recordedFastForward() {
    writeToolWindowLayout(std::filesystem::current_path());
    OverlayGameOptions options;
    options.fonts = SystemFonts::MonospaceAndChinese;
    options.lookUp = recordingLookUp;
    return options;
}

}  // namespace

const std::vector<Scenario>& hostAndUserScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"null_hook_routine", nullHookRoutine},
        {"null_log_routine", nullLogRoutine},
        {"tampered_cache_file", tamperedCacheFile},
        {"overlay_pause_withdrawn_when_lua_state_ends",
         [](ScenarioChecks& checks) {
             return inGame(checks, "overlay_pause_withdrawn_when_lua_state_ends", {},
                           pauseWithdrawnWhenLuaStateEnds);
         }},
        {"overlay_pause_allowed_recording_mode_1",
         [](ScenarioChecks& checks) {
             return inGame(checks, "overlay_pause_allowed_recording_mode_1", {},
                           pauseAllowedRecordingMode1);
         }},
        {"overlay_pause_allowed_playback",
         [](ScenarioChecks& checks) {
             return inGame(checks, "overlay_pause_allowed_playback", {}, pauseAllowedPlayback);
         }},
        {"tool_windows_fast_forward_to_target",
         [](ScenarioChecks& checks) {
             return inGame(checks, "tool_windows_fast_forward_to_target", recordedFastForward(),
                           fastForwardToTarget);
         }},
    };
    return scenarios;
}

}  // namespace HostGame
