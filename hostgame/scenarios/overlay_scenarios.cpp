#include "hostgame/scenarios/overlay_scenarios.h"

#include "hostgame/scenarios/camera_animation_scenario.h"
#include "hostgame/game/game_replay.h"
#include "hostgame/game/game_replay_header.h"
#include "hostgame/scenarios/overlay_game.h"
#include "hostgame/scenarios/overlay_widgets.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace HostGame {

namespace {

using namespace std::chrono_literals;

constexpr uint8_t kDisplayKey = 'P';
constexpr uint8_t kPauseKey = 'O';
constexpr uint8_t kAnimationKey = 'A';

const std::string kPauseChanged = "Vellox状态更改！";
const std::vector<std::string> kPauseRefused = {"你无法在下列状态中进行时间暂停：", "1.多人游戏",
                                                "2.游戏菜单"};

constexpr uint32_t kWindowLeft = kNewWindowLeft;  // the main tool window's
constexpr uint32_t kWindowTop = kNewWindowTop;
// The title bar of the focused window, the dark preset's colour.
constexpr uint32_t kTitleBarColor = 0x294A7A;

// The overlay as it settles: a window that appears is measured in its first frame and may
// still change in the next, so the third frame is the one to compare.
FrameImage settledFrame(OverlayGame& game, const std::string& when) {
    game.frame(when);
    game.frame(when);
    return game.frame(when);
}

int differing(const FrameImage& a, const FrameImage& b) {
    return a.differingPixels(b, 0, 0, a.width, a.height);
}

PixelRect mainWindow(const FrameImage& image) {
    return windowAt(image, kWindowLeft, kWindowTop, kGameColor);
}

// The main window's line of the game time and logic frame, the text line above its first
// checkbox (fast-forward to a target): the game's logic advances it between any two frames.
// Empty when the window shows no checkbox.
PixelRect gameTimeLine(const FrameImage& image) {
    const PixelRect window = mainWindow(image);
    const PixelRect inside{window.left + 1, window.top + 1, window.right - 1, window.bottom - 1};
    const std::vector<PixelRect> boxes = checkboxesIn(image, inside);
    return boxes.empty() ? PixelRect{} : textLineAbove(image, inside, boxes.front().top);
}

// The frames differ in more than the game time line of the first one, which is left out.
int differingBesideGameTime(const FrameImage& a, const FrameImage& b) {
    const PixelRect line = gameTimeLine(a);
    return differing(a, b) - a.differingPixels(b, line.left, line.top, line.right, line.bottom);
}

void checkOverlayShown(ScenarioChecks& checks, const FrameImage& image, const std::string& when) {
    const int pixels = overlayPixels(image);
    checks.check(pixels > 10000 && image.at(kWindowLeft + 100, kWindowTop + 100) != kGameColor,
                 "the main tool window covers part of the game's frame " + when + " (" +
                     std::to_string(pixels) + " pixels)");
}

// The main window's title bar: its height, and where its text ends.
struct TitleBar {
    int height = 0;
    uint32_t textRight = 0;
};

TitleBar measureTitleBar(const FrameImage& image) {
    TitleBar bar;
    // The window fits its contents, so its width follows the font: the column is the title
    // bar's last one, left of the window's right border, beyond the text.
    const uint32_t column = mainWindow(image).right - 2;
    const uint32_t top = kWindowTop + 1;  // below the window's border
    for (uint32_t y = top; y < image.height && image.at(column, y) == kTitleBarColor; ++y) {
        ++bar.height;
    }
    for (uint32_t y = top; y < top + bar.height; ++y) {
        for (uint32_t x = kWindowLeft + 20; x < column; ++x) {
            if (((image.at(x, y) >> 16) & 0xFF) > 0x90) bar.textRight = std::max(bar.textRight, x);
        }
    }
    return bar;
}

std::string describe(const TitleBar& bar) {
    return "title bar " + std::to_string(bar.height) + " pixels high, its text ending at x " +
           std::to_string(bar.textRight);
}

// Which font the overlay started with shows in its title: the built-in font is 13 pixels high
// and has no Chinese glyphs ("?" stands in for them), the monospace font is 14 pixels high, and
// the merged Chinese glyphs are about twice as wide as "?" (the title then ends near x 250
// rather than 200).
enum class TitleFont { BuiltIn, Monospace, Chinese };

void checkTitleFont(ScenarioChecks& checks, OverlayGame& game, TitleFont expected) {
    const FrameImage image = settledFrame(game, "with the overlay");
    writePng(game.folder() / "overlay.png", image);
    checkOverlayShown(checks, image, "");
    const TitleBar bar = measureTitleBar(image);
    const char* const name = expected == TitleFont::BuiltIn     ? "the built-in font"
                             : expected == TitleFont::Monospace ? "the monospace font alone"
                                                                : "Chinese glyphs merged";
    const int expectedHeight = expected == TitleFont::BuiltIn ? 18 : 19;  // font + 2 x 2.5
    const bool chinese = bar.textRight > kWindowLeft + 165;
    checks.check(bar.height == expectedHeight && chinese == (expected == TitleFont::Chinese),
                 std::string("the title is drawn with ") + name + ": " + describe(bar));
}

int startWithoutFonts(ScenarioChecks& checks, OverlayGame& game) {
    checkTitleFont(checks, game, TitleFont::BuiltIn);
    return checks.exitCode();
}

int startWithMonospaceFont(ScenarioChecks& checks, OverlayGame& game) {
    checkTitleFont(checks, game, TitleFont::Monospace);
    return checks.exitCode();
}

int startWithChineseFont(ScenarioChecks& checks, OverlayGame& game) {
    checkTitleFont(checks, game, TitleFont::Chinese);
    return checks.exitCode();
}

// A card that cannot make the large font texture of the Chinese glyphs: the overlay goes on
// with the built-in font.
int fontTextureFallback(ScenarioChecks& checks, OverlayGame& game) {
    const TextureHeightLimit limit(game.device().device(), 2048);
    checkTitleFont(checks, game, TitleFont::BuiltIn);
    checks.check(TextureHeightLimit::refused() == 1,
                 "the card refused one texture, the first font texture (" +
                     std::to_string(TextureHeightLimit::refused()) + " refused)");
    return checks.exitCode();
}

// A game whose device has no focus window: the overlay cannot take the window's procedure and
// stays off; the game draws, resets and pauses as without it.
int startWithoutFocusWindow(ScenarioChecks& checks, OverlayGame& game) {
    checks.check(onlyGameColor(settledFrame(game, "without the overlay")),
                 "the frames are the game's alone");
    checks.check(game.loop().call(GameDebugCall::AppendMessageAndPause, "objective reached"),
                 "the game paused itself through the debug module");
    game.frame("while the game is paused");
    checks.check(game.logicHeld(),
                 "the pause stays although it is not allowed: no overlay frame runs to clear it");
    const HRESULT reset = game.device().reset();
    checks.check(reset == D3D_OK, "the detoured Reset gives D3D_OK");
    checks.check(onlyGameColor(game.frame("after the reset")), "the frame after it is the game's");
    game.window().pressKey(kDisplayKey, true);
    checks.check(game.window().receivedCount(WM_KEYDOWN, kDisplayKey) == 1,
                 "Ctrl+P reached the game's own procedure");
    checkOutputLog(checks, game.outputLog(), {"[Game] objective reached"});
    return checks.exitCode();
}

int resetWithOverlay(ScenarioChecks& checks, OverlayGame& game) {
    const FrameImage before = settledFrame(game, "before the reset");
    checkOverlayShown(checks, before, "before the reset");
    const HRESULT reset = game.device().reset();
    checks.check(reset == D3D_OK, "the detoured Reset gives D3D_OK");
    const FrameImage after = settledFrame(game, "after the reset");
    checks.check(differingBesideGameTime(before, after) == 0,
                 "after the reset the overlay is drawn as before, its font texture made again");
    return checks.exitCode();
}

// Ctrl and the display letter hide the overlay, and again show it; the key stays with it.
int displayHotkey(ScenarioChecks& checks, OverlayGame& game) {
    const FrameImage shown = settledFrame(game, "with the overlay");
    checkOverlayShown(checks, shown, "");
    game.window().pressKey(kDisplayKey, true);
    checks.check(onlyGameColor(game.frame("after Ctrl+P")),
                 "after Ctrl+P the frame is the game's alone");
    game.window().pressKey(kDisplayKey, true);
    checks.check(differingBesideGameTime(shown, settledFrame(game, "after a second Ctrl+P")) == 0,
                 "after a second Ctrl+P the overlay is back as it was");
    checks.check(game.window().receivedCount(WM_KEYDOWN, kDisplayKey) == 0,
                 "no WM_KEYDOWN of P reached the game");
    checks.check(game.window().receivedCount(WM_KEYUP, kDisplayKey) == 2,
                 "both WM_KEYUP of P reached the game");
    checkOutputLog(checks, game.outputLog(), {});
    return checks.exitCode();
}

// With a game Lua state and no replay, time pause is allowed: Ctrl and the pause letter pause
// and resume the logic, and frames in between keep the pause.
int pauseHotkeyAllowed(ScenarioChecks& checks, OverlayGame& game) {
    game.startGameLuaState();
    game.frame("after the game Lua state started");
    checks.check(game.logicRuns(), "the logic runs");
    game.window().pressKey(kPauseKey, true);
    game.frame("while paused");
    checks.check(game.logicHeld(), "after Ctrl+O the logic holds, frames drawn meanwhile");
    game.window().pressKey(kPauseKey, true);
    checks.check(game.logicRuns(), "after a second Ctrl+O the logic runs again");
    checks.check(game.window().receivedCount(WM_KEYDOWN, kPauseKey) == 0,
                 "no WM_KEYDOWN of O reached the game");
    checkOutputLog(checks, game.outputLog(), {kPauseChanged, kPauseChanged});
    return checks.exitCode();
}

// Before any game Lua state time pause is not allowed: Ctrl and the pause letter give the three
// refusal lines and leave a pause of the game's own as it is, which the next frame clears.
int pauseHotkeyRefused(ScenarioChecks& checks, OverlayGame& game) {
    game.frame("before any game Lua state");
    checks.check(game.loop().call(GameDebugCall::AppendMessageAndPause, "objective reached"),
                 "the game paused itself through the debug module");
    game.window().pressKey(kPauseKey, true);
    checks.check(game.logicHeld(), "after the refused Ctrl+O the game's pause is unchanged");
    game.frame("after the refusal");
    checks.check(game.logicRuns(), "the next overlay frame cleared the pause it does not allow");
    checks.check(game.window().receivedCount(WM_KEYDOWN, kPauseKey) == 0,
                 "no WM_KEYDOWN of O reached the game");
    std::vector<std::string> expected = {"[Game] objective reached"};
    expected.insert(expected.end(), kPauseRefused.begin(), kPauseRefused.end());
    checkOutputLog(checks, game.outputLog(), expected);
    return checks.exitCode();
}

// A recording of a multiplayer game (game mode 2) is under way when the game Lua state starts:
// the refusal, end to end.
int pauseRefusedWhileRecording(ScenarioChecks& checks, OverlayGame& game) {
    ReplayFile replay = ReplayFile::create(game.folder() / "match.KV9Replay");
    replay.write(replayHeaderBytes(replayHeaderOfGameMode(2)));
    replay.position();  // the plug-in reads the header at the game's first ftell
    game.startGameLuaState();
    game.frame("during the recording");
    game.window().pressKey(kPauseKey, true);
    checks.check(game.logicRuns(), "after Ctrl+O the logic still runs");
    checkOutputLog(checks, game.outputLog(), kPauseRefused);
    return checks.exitCode();
}

// The animation hotkey acts only with camera control on, which stays off here: the key reaches
// the game, and the camera stays the game's.
int animationHotkey(ScenarioChecks& checks, OverlayGame& game) {
    game.startGameLuaState();
    const FrameImage shown = settledFrame(game, "with the overlay");
    game.window().pressKey(kAnimationKey, true);
    checks.check(game.window().receivedCount(WM_KEYDOWN, kAnimationKey) == 1,
                 "Ctrl+A reached the game");
    checks.check(differingBesideGameTime(shown, settledFrame(game, "after Ctrl+A")) == 0,
                 "the overlay is unchanged");
    checks.check(game.logicRuns(), "the logic runs");
    checkOutputLog(checks, game.outputLog(), {});
    return checks.exitCode();
}

nlohmann::json cameraConfig(const std::string& animation, const std::string& pause,
                            const std::string& display) {
    const nlohmann::json profile = {
        {"description", ""}, {"animations", nlohmann::json::array()},
        {"timedEvents", nlohmann::json::array()}};
    return {{"cameraControls", {profile}},
            {"hotkeyAnimation", animation},
            {"hotkeyPause", pause},
            {"hotkeyDisplay", display}};
}

OverlayGameOptions withCameraConfig(const nlohmann::json& config) {
    OverlayGameOptions options;
    options.cameraConfig = config;
    return options;
}

// Every key pressed with Ctrl and the pause allowed: none is a hotkey, each reaches the game.
void checkKeysReachGame(ScenarioChecks& checks, OverlayGame& game, bool ctrl) {
    game.startGameLuaState();
    const FrameImage shown = settledFrame(game, "with the overlay");
    for (const uint8_t key : {kDisplayKey, kPauseKey, kAnimationKey}) {
        game.window().pressKey(key, ctrl);
        checks.check(game.window().receivedCount(WM_KEYDOWN, key) == 1,
                     std::string(ctrl ? "Ctrl+" : "") + static_cast<char>(key) +
                         " reached the game");
    }
    checks.check(differingBesideGameTime(shown, settledFrame(game, "after the keys")) == 0,
                 "the overlay is still shown as it was");
    checks.check(game.logicRuns(), "the logic runs");
    checkOutputLog(checks, game.outputLog(), {});
}

// The configuration file clears all three hotkeys.
int hotkeysOfZero(ScenarioChecks& checks, OverlayGame& game) {
    checkKeysReachGame(checks, game, true);
    return checks.exitCode();
}

int keysWithoutCtrl(ScenarioChecks& checks, OverlayGame& game) {
    checkKeysReachGame(checks, game, false);
    return checks.exitCode();
}

// Display and pause on one letter: the display hotkey wins, and only it acts.
int sameLetterTwice(ScenarioChecks& checks, OverlayGame& game) {
    game.startGameLuaState();
    checkOverlayShown(checks, settledFrame(game, "with the overlay"), "");
    game.window().pressKey(kDisplayKey, true);
    checks.check(onlyGameColor(game.frame("after Ctrl+P")), "Ctrl+P hid the overlay");
    checks.check(game.logicRuns(), "and did not pause the logic");
    checks.check(game.window().receivedCount(WM_KEYDOWN, kDisplayKey) == 0,
                 "no WM_KEYDOWN of P reached the game");
    checkOutputLog(checks, game.outputLog(), {});
    return checks.exitCode();
}

// The mouse over the main tool window belongs to the overlay; elsewhere, to the game.
int mouseButtons(ScenarioChecks& checks, OverlayGame& game) {
    GameWindow& window = game.window();
    const auto clickAt = [&](int x, int y) {
        SetCursorPos(x, y);  // the window's client area starts at the screen's origin
        window.send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        settledFrame(game, "with the mouse moved");
        window.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        game.frame("with the button down");
        window.send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        game.frame("with the button up");
        window.send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(x, y));
    };
    checkOverlayShown(checks, settledFrame(game, "with the overlay"), "");
    clickAt(900, 600);
    checks.check(window.receivedCount(WM_LBUTTONDOWN, MK_LBUTTON) == 1 &&
                     window.receivedCount(WM_LBUTTONUP, 0) == 1 &&
                     window.receivedCount(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA)) == 1,
                 "a click and a wheel turn beside the overlay reached the game");
    clickAt(kWindowLeft + 200, kWindowTop + 200);
    checks.check(window.receivedCount(WM_LBUTTONDOWN, MK_LBUTTON) == 1 &&
                     window.receivedCount(WM_LBUTTONUP, 0) == 1 &&
                     window.receivedCount(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA)) == 1,
                 "a click and a wheel turn over the main tool window stayed with the overlay");
    checks.check(window.receivedCount(WM_MOUSEMOVE, 0) == 2, "mouse moves reach the game");
    return checks.exitCode();
}

// The window thread presses the refused pause hotkey, the render thread draws and a game
// thread hands the debug module its messages, all at once until each has done its share. Every
// line arrives whole, in its thread's order, and each refusal's three lines stay together.
int threeThreadsAtOnce(ScenarioChecks& checks, OverlayGame& game) {
    constexpr int kEach = 30;  // frames, hotkey presses and game messages
    const DebugModuleFunctions debug = lookUpDebugFunctions(game.debugModule(), &GetProcAddress);
    checks.check(debug.appendMessage != nullptr, "the game found AppendMessage");
    if (debug.appendMessage == nullptr) return checks.exitCode();

    settledFrame(game, "before the threads start");  // the overlay takes input from here on
    std::atomic<bool> stop{false};
    std::atomic<int> presses{0};
    std::atomic<int> messages{0};
    std::thread keys([&] {
        while (!stop) {
            game.window().pressKey(kPauseKey, true);
            ++presses;
        }
    });
    std::thread gameThread([&] {
        while (!stop) {
            const std::string text = "Spearmen of house " + std::to_string(++messages) + " 100%";
            debug.appendMessage(text.c_str());
            // A game that talks without pause would leave the frame no turn at the lock.
            std::this_thread::sleep_for(1ms);
        }
    });
    // Every thread keeps going until all three have done their share: each of them meets the
    // others at the locks all along. Only a deadlock misses the limit.
    int frames = 0;
    const auto limit = std::chrono::steady_clock::now() + kHangLimit;
    while ((frames < kEach || presses < kEach || messages < kEach) &&
           std::chrono::steady_clock::now() < limit) {
        game.device().drawFrame(kGameColor);
        ++frames;
    }
    stop = true;
    keys.join();
    gameThread.join();
    checks.check(frames >= kEach && presses >= kEach && messages >= kEach,
                 std::to_string(frames) + " frames, " + std::to_string(presses) +
                     " hotkey presses, " + std::to_string(messages) + " game messages, each at "
                     "least " + std::to_string(kEach) + " at once: no deadlock");

    std::ifstream in(game.outputLog());
    int refusals = 0;
    int gameLines = 0;
    int refusalLine = 0;  // the next line of the current refusal
    bool inOrder = true;
    for (std::string line; std::getline(in, line);) {
        if (refusalLine > 0 || line == kPauseRefused[0]) {
            inOrder = inOrder && line == kPauseRefused[refusalLine];
            refusalLine = (refusalLine + 1) % 3;
            refusals += refusalLine == 0;
        } else {
            ++gameLines;
            inOrder = inOrder && line == "[Game] Spearmen of house " +
                                             std::to_string(gameLines) + " 100%";
        }
    }
    checks.check(inOrder && refusalLine == 0,
                 "every Output log line is whole, the game's in order, each refusal's three "
                 "together");
    checks.check(refusals == presses && gameLines == messages,
                 "no line was lost: " + std::to_string(refusals) + " refusals, " +
                     std::to_string(gameLines) + " game lines");
    return checks.exitCode();
}

OverlayGameOptions displayAndPauseOnP() {
    OverlayGameOptions options;
    options.pluginOptions = {{"hotkey", "p"}, {"hotkey_for_pause", "P"}};
    return options;
}

}  // namespace

const std::vector<Scenario>& overlayScenarios() {
    static const std::vector<Scenario> scenarios = [] {
        struct Entry {
            const char* name;
            OverlayGameOptions options;
            OverlayGameBody body;
        };
        OverlayGameOptions noFocusWindow;
        noFocusWindow.device.focusWindow = false;
        OverlayGameOptions monospace;
        monospace.fonts = SystemFonts::Monospace;
        OverlayGameOptions chinese;
        chinese.fonts = SystemFonts::MonospaceAndChinese;
        const std::vector<Entry> entries = {
            {"overlay_off_without_focus_window", noFocusWindow, startWithoutFocusWindow},
            {"overlay_without_fonts", {}, startWithoutFonts},
            {"overlay_monospace_font", monospace, startWithMonospaceFont},
            {"overlay_chinese_font", chinese, startWithChineseFont},
            {"overlay_font_texture_fallback", chinese, fontTextureFallback},
            {"overlay_device_reset", {}, resetWithOverlay},
            {"overlay_display_hotkey", {}, displayHotkey},
            {"overlay_pause_hotkey_allowed", {}, pauseHotkeyAllowed},
            {"overlay_pause_hotkey_refused", {}, pauseHotkeyRefused},
            {"overlay_pause_refused_recording_mode_2", {},
             pauseRefusedWhileRecording},
            {"overlay_animation_hotkey", withCameraConfig(cameraConfig("a", "o", "p")),
             animationHotkey},
            {"overlay_hotkeys_of_zero", withCameraConfig(cameraConfig("", "", "")),
             hotkeysOfZero},
            {"overlay_keys_without_ctrl", withCameraConfig(cameraConfig("a", "o", "p")),
             keysWithoutCtrl},
            {"overlay_same_letter_twice", displayAndPauseOnP(), sameLetterTwice},
            {"overlay_mouse_buttons", {}, mouseButtons},
            {"overlay_three_threads_at_once", {}, threeThreadsAtOnce},
            {"overlay_camera_animation_set_up_by_mouse", cameraAnimationOptions(), cameraAnimationPlayed},
        };
        std::vector<Scenario> all;
        for (const Entry& entry : entries) {
            all.push_back({entry.name, [entry](ScenarioChecks& checks) {
                               return inGame(checks, entry.name, entry.options, entry.body);
                           }});
        }
        return all;
    }();
    return scenarios;
}

}  // namespace HostGame
