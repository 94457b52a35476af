#include "hostgame/scenarios/tool_window_scenarios.h"

#include "hostgame/game/game_render_settings.h"
#include "hostgame/scenarios/overlay_game.h"
#include "hostgame/scenarios/overlay_widgets.h"
#include "hostgame/scenarios/player_mouse.h"
#include "hostgame/scenarios/tool_window_layout.h"
#include "overlay/lua_command_scripts.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <regex>
#include <string>

namespace HostGame {

namespace {

// A text of the plug-in's as the game receives it: each byte less 7.
std::string unscrambled(const char* stored) {
    std::string text(stored);
    for (char& byte : text) byte = static_cast<char>(static_cast<unsigned char>(byte) - 7);
    return text;
}

using ScenarioBody = int (*)(ScenarioChecks& checks, OverlayGame& game);

// The game with the Chinese font, its render settings in place and a game Lua state (camera
// control needs time pause allowed), the windows placed by the layout.
int inToolWindowGame(ScenarioChecks& checks, const char* scenario, ScenarioBody body) {
    try {
        writeToolWindowLayout(std::filesystem::current_path());
        OverlayGameOptions options;
        options.fonts = SystemFonts::MonospaceAndChinese;
        OverlayGame game(checks, scenario, options);
        if (!game.started()) return checks.exitCode();
        game.startGameLuaState();
        // The overlay starts in its first frame and takes the window's input from then on.
        for (int i = 0; i < 3; ++i) game.device().drawFrame(kGameColor);
        return body(checks, game);
    } catch (const std::exception& error) {
        checks.check(false, std::string("the game ran: ") + error.what());
        return checks.exitCode();
    }
}

void keepFrame(OverlayGame& game, const char* name) {
    for (int i = 0; i < 2; ++i) game.device().drawFrame(kGameColor);
    const FrameResults frame = game.device().drawFrame(kGameColor, true);
    if (frame.image) writePng(game.folder() / name, *frame.image);
}

int renderSettingsByMouse(ScenarioChecks& checks, OverlayGame& game) {
    const PlacedRenderSettings memory = placeRenderSettings();
    GameMouse mouse(game.device());
    keepFrame(game, "1-main.png");
    mouse.click(kCameraControlSwitch);
    keepFrame(game, "2-camera-control.png");
    checks.check(host_camera_step() == -0.1, "camera control on: the camera step gives -0.1");
    mouse.click(kHideHealthBarsSwitch);
    checks.check(memory.display[0x139] == 0 && memory.display[0x138] == 1,
                 "health bars hidden: +0x139 is 0, +0x138 still 1");
    mouse.click(kHideSilhouettesSwitch);
    checks.check(memory.display[0x139] == 0 && memory.display[0x138] == 0,
                 "silhouettes hidden too: +0x138 is 0");
    mouse.drag(kMainLightRed, 20);
    const float* const main = memory.lighting->colors->at(0x0C);
    std::printf("  main light after the drag: %.4f %.4f %.4f\n", main[0], main[1], main[2]);
    // The editor writes back all three channels, as 8-bit values.
    checks.check(main[0] > 0.55f && main[1] == 128 / 255.0f && main[2] == 128 / 255.0f,
                 "dragging R of the main light raised its red alone");
    mouse.click(kShadowSize4096);
    checks.check(*memory.shadowMapSize == 4096, "the shadow map size is now 4096");
    keepFrame(game, "3-settings.png");
    return checks.exitCode();
}

// The seconds of the second keyframe: long enough that a frame drawn under a heavy load still
// falls inside the segment, so that the frames between the keyframes show.
constexpr int kSecondKeyframeTime = 8;

// Types the new keyframe's time into its field: a click at the end of its text "1.000", which
// five backspaces erase, then the digit.
void typeNewKeyTime(OverlayGame& game, GameMouse& mouse, int seconds) {
    mouse.click(kNewKeyTimeEnd);
    for (int i = 0; i < 5; ++i) {
        game.window().pressKey(VK_BACK, false);
        game.device().drawFrame(kGameColor);
    }
    game.window().send(WM_CHAR, '0' + seconds, 1);
    game.device().drawFrame(kGameColor);
}

// Two keyframes from the game's camera a few frames apart, then played: the plug-in drives the
// camera between them instead of the game's own move.
int cameraKeyframesPlayed(ScenarioChecks& checks, OverlayGame& game) {
    placeRenderSettings();
    GameMouse mouse(game.device());
    mouse.click(kCameraControlSwitch);
    mouse.click(kCopyCurrentCamera);
    const CameraValues first = game.device().camera().values();
    mouse.click(kAddKeyframe);
    keepFrame(game, "1-one-keyframe.png");
    for (int i = 0; i < 10; ++i) game.device().drawFrame(kGameColor);
    typeNewKeyTime(game, mouse, kSecondKeyframeTime);
    mouse.click(kCopyCurrentCameraBelowList);
    const CameraValues second = game.device().camera().values();
    mouse.click(kAddKeyframeBelowList);
    keepFrame(game, "2-two-keyframes.png");
    std::printf("  keyframes at 0 s and %d s: x %.3f and %.3f\n", kSecondKeyframeTime, first.x,
                second.x);
    checks.check(second.x > first.x, "the game moved its camera between the two keyframes");
    mouse.click(kStartAnimation);

    // Frames until one past the first that is not between the keyframes, each marked by what
    // the camera held after it: B between the keyframes, E the second keyframe, O the game's own
    // move, ? anything else. The animation drives the camera for its seconds, sets it on the
    // last keyframe once, then leaves it free.
    // (Once free, a frame may show "?": the window's angle sliders hand back r1 through degrees,
    // and a value that does not survive the round trip is written back to the game.)
    std::string held;
    const auto limit = std::chrono::steady_clock::now() + kHangLimit;
    const auto ended = [&] {
        const std::size_t notBetween = held.find_first_not_of('B');
        return notBetween != std::string::npos && notBetween + 1 < held.size();
    };
    while (!ended() && std::chrono::steady_clock::now() < limit) {
        game.device().drawFrame(kGameColor);
        const CameraValues camera = game.device().camera().values();
        held += game.device().camera().holdsOwnMove()       ? 'O'
                : camera == second                          ? 'E'
                : camera.x >= first.x && camera.x < second.x ? 'B'
                                                            : '?';
    }
    checks.check(std::regex_match(held, std::regex("B+E[O?]*")),
                 "the camera went from the first keyframe to the second, then back to the "
                 "game: " + held);
    return checks.exitCode();
}

// A game script reads an "ObjID..." global, the Lua functions window appears, and its three
// buttons each send the game a chunk: the stored text, unscrambled, and the argument list.
int luaFunctionCommands(ScenarioChecks& checks, OverlayGame& game) {
    lua_State* const L = game.gameLuaState();
    assignGlobalNumber(L, "ObjIDList", 7);
    lua_getglobal(L, "ObjIDList");
    lua_settop(L, 0);  // the plug-in runs its chunks only on an empty stack
    keepFrame(game, "1-lua-functions.png");
    GameMouse mouse(game.device());
    const std::size_t before = L->chunks.size();
    for (const Point button : {kUnitColorButton, kUnitTeamButton, kGameInputButton}) {
        mouse.click(button);
    }
    // The commands wait for the game's Lua thread, this one, to be between script calls.
    lua_getglobal(L, "ObjIDList");
    lua_settop(L, 0);
    const std::vector<std::string> sent(L->chunks.begin() + before, L->chunks.end());
    const std::vector<std::string> expected = {
        unscrambled(Zo::KV9RudiVeruv::kUnitColorScript) + "(0, 1, 0)",
        unscrambled(Zo::KV9RudiVeruv::kUnitTeamScript) + "(\"\", false, 1, 0)",
        unscrambled(Zo::KV9RudiVeruv::kGameInputScript) + "(false)"};
    checks.check(sent == expected,
                 "the game received three chunks, each the stored text and its arguments");
    return checks.exitCode();
}

// Where the overlay's windows stand in a frame read back now; with only the main tool window
// shown, where that window stands.
PixelRect overlayWindowsNow(OverlayGame& game) {
    const FrameResults frame = game.device().drawFrame(kGameColor, true);
    return frame.image ? overlayArea(*frame.image, kGameColor) : PixelRect{};
}

std::string placeText(const PixelRect& place) {
    std::string text = "(";
    text += std::to_string(place.left) + ", " + std::to_string(place.top) + ")";
    return text;
}

// The player drags the main tool window by its title bar down out of the game window and lets
// go there, then clicks into the game. Windows gives a release to the window under the pointer,
// unless the game window holds the mouse capture.
int dragOutOfTheWindow(ScenarioChecks& checks, OverlayGame& game) {
    constexpr Point kTitleBar{300, 8};
    constexpr Point kOutside{500, 900};  // below the 1280x720 window, on the 1280x1024 screen
    constexpr Point kGame{900, 300};     // where no tool window stands
    PlayerMouse mouse(game.device());
    mouse.moveTo(kTitleBar);
    mouse.press();
    for (const Point at : {Point{350, 300}, Point{450, 700}, kOutside}) mouse.moveTo(at);
    checks.check(mouse.position().y == kOutside.y, "the pointer left the game window");
    mouse.release();
    // The toolkit keeps the top of a window inside the game window, as far as its windows'
    // padding (19 pixels) above the bottom edge.
    const PixelRect letGo = overlayWindowsNow(game);
    checks.check(letGo.left == kOutside.x - kTitleBar.x &&
                     letGo.top == GameDevice::kHeight - 19,
                 "the tool window stands where it was let go: " + placeText(letGo));

    const int pressesBefore = game.window().receivedCount(WM_LBUTTONDOWN, MK_LBUTTON);
    mouse.moveTo(kGame);
    mouse.press();
    mouse.release();
    const int presses = game.window().receivedCount(WM_LBUTTONDOWN, MK_LBUTTON) - pressesBefore;
    checks.check(presses == 1,
                 "the game got " + std::to_string(presses) + " of 1 WM_LBUTTONDOWN");
    const PixelRect after = overlayWindowsNow(game);
    checks.check(after.left == letGo.left && after.top == letGo.top,
                 "the tool window stayed there: " + placeText(after));
    return checks.exitCode();
}

}  // namespace

const std::vector<Scenario>& toolWindowScenarios() {
    static const std::vector<Scenario> scenarios = [] {
        struct Entry {
            const char* name;
            ScenarioBody body;
        };
        const Entry entries[] = {
            {"tool_windows_render_settings", renderSettingsByMouse},
            {"tool_windows_camera_keyframes", cameraKeyframesPlayed},
            {"tool_windows_lua_commands", luaFunctionCommands},
            {"tool_windows_drag_out_of_the_window", dragOutOfTheWindow},
        };
        std::vector<Scenario> all;
        for (const Entry& entry : entries) {
            all.push_back({entry.name, [entry](ScenarioChecks& checks) {
                               return inToolWindowGame(checks, entry.name, entry.body);
                           }});
        }
        return all;
    }();
    return scenarios;
}

}  // namespace HostGame
