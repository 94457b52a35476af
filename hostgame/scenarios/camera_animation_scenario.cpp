#include "hostgame/scenarios/camera_animation_scenario.h"

#include "hostgame/scenarios/overlay_widgets.h"
#include "hostgame/scenarios/tool_window_layout.h"
#include "overlay/bezier_inspector.h"
#include "overlay/camera_control_window.h"
#include "overlay/lua_functions_window.h"
#include "overlay/timed_events_window.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace HostGame {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kDisplayKey = 'P';
constexpr uint8_t kAnimationKey = 'A';

// Three keyframes; the first segment is switched to Bezier timing in the camera control window,
// the second stays linear. The animation runs on the plug-in's own clock: its segments last
// seconds, so that even an emulated game on a busy machine draws frames in each.
constexpr float kKeyTimes[3] = {2.0f, 8.0f, 12.0f};
constexpr CameraValues kKeyframes[3] = {
    {0.0f, 0.0f, 100.0f, 0.0f, 30.0f, 0.0f},
    {100.0f, 50.0f, 200.0f, 1.0f, 45.0f, 0.5f},
    {300.0f, 150.0f, 400.0f, 2.0f, 60.0f, 1.0f},
};
// The one timed event: at 10 s of the animation, in the second segment, it pauses the game.
constexpr float kPauseAtAnimationTime = 10.0f;

constexpr PixelRect kCameraWindow{700, 0, 1280, 720};

// The places of the other windows: apart from each other and from the main window's checkboxes.
void writeWindowPlaces() {
    using namespace Zo::KV9RudiVeruv;
    std::ofstream ini(std::filesystem::current_path() / "imgui.ini");
    writeWindowPlace(ini, kCameraControlWindowTitle, 700, 0, 580, 720, false);
    writeWindowPlace(ini, kTimedEventsWindowTitle, 300, 420, 390, 300, false);
    writeWindowPlace(ini, kBezierInspectorWindowTitle, 300, 0, 390, 410, false);
    writeWindowPlace(ini, kLuaFunctionsWindowTitle, 0, 420, 290, 300, false);
}

nlohmann::json point(const CameraValues& v, const char* label) {
    return {{"x", v.x}, {"y", v.y}, {"z", v.z}, {"r1", v.r1}, {"r2", v.r2}, {"r3", v.r3},
            {"label", label}};
}

float channel(const CameraValues& v, int c) {
    const float values[6] = {v.x, v.y, v.z, v.r1, v.r2, v.r3};
    return values[c];
}

// How far along the segment from a to b the value of the channel lies.
float along(const CameraValues& value, const CameraValues& a, const CameraValues& b, int c) {
    return (channel(value, c) - channel(a, c)) / (channel(b, c) - channel(a, c));
}

struct CameraFrame {
    Clock::duration sincePlay;
    bool shown;
    bool written;
    bool leftAlone;
    CameraValues camera;
};

void clickAt(OverlayGame& game, uint32_t x, uint32_t y) {
    GameWindow& window = game.window();
    const LPARAM at = MAKELPARAM(x, y);
    SetCursorPos(x, y);  // the window's client area starts at the screen's origin
    window.send(WM_MOUSEMOVE, 0, at);
    game.frame("with the mouse moved");
    window.send(WM_LBUTTONDOWN, MK_LBUTTON, at);
    game.frame("with the button down");
    window.send(WM_LBUTTONUP, 0, at);
    game.frame("with the button up");
    // Away from every window, so that no widget shows its hovered colour.
    SetCursorPos(1, 719);
    window.send(WM_MOUSEMOVE, 0, MAKELPARAM(1, 719));
    game.frame("with the mouse moved away");
}

void clickCentre(OverlayGame& game, const PixelRect& box) {
    clickAt(game, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
}

// Switches camera control on with the main window's second checkbox (the first is the
// fast-forward's). False when the window does not show the two.
bool switchCameraControlOn(ScenarioChecks& checks, OverlayGame& game) {
    game.frame("with the overlay");
    const FrameImage image = game.frame("with the overlay");
    const PixelRect window = windowAt(image, kNewWindowLeft, kNewWindowTop, kGameColor);
    const std::vector<PixelRect> boxes = checkboxesIn(image, window);
    checks.check(boxes.size() == 2, "the main window shows two checkboxes, fast-forward and "
                                    "camera control (" + std::to_string(boxes.size()) + ")");
    if (boxes.size() != 2) return false;
    clickCentre(game, boxes[1]);
    return true;
}

// Gives the first segment Bezier timing with the first keyframe's checkbox, the first checkbox
// of the camera control window.
bool useBezierAfterFirstKeyframe(ScenarioChecks& checks, OverlayGame& game) {
    const FrameImage image = game.frame("with the camera control window");
    writePng(game.folder() / "camera_control.png", image);
    const std::vector<PixelRect> boxes = checkboxesIn(image, kCameraWindow);
    checks.check(boxes.size() >= 2,
                 "the camera control window shows the keyframes' Bezier checkboxes (" +
                     std::to_string(boxes.size()) + " checkboxes)");
    if (boxes.size() < 2) return false;
    clickCentre(game, boxes.front());
    const std::vector<PixelRect> after =
        checkboxesIn(game.frame("after the click"), kCameraWindow);
    checks.check(after.size() == boxes.size() - 1 && after.front().top > boxes.front().top,
                 "the first keyframe's Bezier checkbox is ticked");
    return true;
}

// Plays the animation: Ctrl+A, then frames until the camera is the game's again after the
// last keyframe, the overlay hidden with Ctrl+P once a frame showed the Bezier segment over.
std::vector<CameraFrame> playAnimation(OverlayGame& game) {
    std::vector<CameraFrame> frames;
    // Taken before the key, so that no frame seems earlier than the animation's own clock.
    const Clock::time_point play = Clock::now();
    game.window().pressKey(kAnimationKey, true);
    bool shown = true;
    bool ended = false;  // a frame held the last keyframe
    const Clock::time_point limit = play + kHangLimit;
    while (Clock::now() < limit) {
        const FrameResults results = game.cameraFrame("while the animation plays");
        const bool written = results.cameraWritten.value_or(true);
        frames.push_back({Clock::now() - play, shown, written, results.cameraLeftAlone,
                          results.camera});
        if (ended && !written) break;
        ended = ended || (written && results.camera == kKeyframes[2]);
        if (shown && written && results.camera.x > kKeyframes[1].x) {
            game.window().pressKey(kDisplayKey, true);
            shown = false;
        }
    }
    return frames;
}

void checkPlayedFrames(ScenarioChecks& checks, const std::vector<CameraFrame>& frames) {
    // The animation moves the camera from its first keyframe on, in one run of frames.
    const auto first = std::find_if(frames.begin(), frames.end(),
                                    [](const CameraFrame& f) { return f.written; });
    const auto last = std::find_if(frames.rbegin(), frames.rend(),
                                   [](const CameraFrame& f) { return f.written; });
    checks.check(first != frames.end(), "the animation moved the camera");
    if (first == frames.end()) return;
    const auto end = last.base();  // past the last written frame
    checks.check(std::all_of(frames.begin(), frames.end(),
                             [](const CameraFrame& f) { return f.written != f.leftAlone; }),
                 "the camera was written in exactly the frames whose values changed");
    checks.check(std::all_of(first, end, [](const CameraFrame& f) { return f.written; }),
                 "from the first keyframe to the last every frame moved the camera");
    checks.check(first - frames.begin() >= 1 && frames.end() - end >= 1,
                 "frames before the first keyframe and after the last left the camera to the "
                 "game, never written");
    checks.check(first->sincePlay >= std::chrono::duration<float>(kKeyTimes[0]),
                 "the camera stayed the game's until the first keyframe's time");
    checks.check((end - 1)->camera == kKeyframes[2],
                 "the last frame written holds the last keyframe's values");

    int bezier = 0;
    int linear = 0;
    int eased = 0;  // Bezier frames whose channels are not all at one fraction of the segment
    bool onPath = true;
    bool forward = true;
    for (auto frame = first; frame != end; ++frame) {
        const CameraValues& c = frame->camera;
        if (frame != first) forward = forward && c.x >= (frame - 1)->camera.x;
        const bool inFirst = c.x <= kKeyframes[1].x;
        const CameraValues& a = kKeyframes[inFirst ? 0 : 1];
        const CameraValues& b = kKeyframes[inFirst ? 1 : 2];
        const float u = along(c, a, b, 0);
        onPath = onPath && u >= -1e-4f && u <= 1.0001f;
        bool allAtU = true;
        for (int ch = 1; ch < 6; ++ch) {
            const float v = along(c, a, b, ch);
            onPath = onPath && v >= -1e-4f && v <= 1.0001f;
            allAtU = allAtU && std::fabs(v - u) < 1e-3f;
        }
        if (inFirst) {
            ++bezier;
            eased += !allAtU;
        } else {
            ++linear;
            onPath = onPath && allAtU;
        }
    }
    checks.check(forward, "the camera moved forward along the animation, frame by frame");
    checks.check(onPath, "every frame written lies on the animation between its keyframes, "
                         "the linear segment's channels all at one point of it");
    checks.check(bezier > 0 && eased > 0 && linear > 0,
                 "the first segment eased by its Bezier timing, the second linear: " +
                     std::to_string(bezier) + " frames in the first (" +
                     std::to_string(eased) + " eased), " + std::to_string(linear) +
                     " in the second");
    const bool hiddenWritten = std::any_of(first, end, [](const CameraFrame& f) {
        return !f.shown;
    });
    checks.check(hiddenWritten, "the animation drove the camera also while the overlay was "
                                "hidden");
}

}  // namespace

OverlayGameOptions cameraAnimationOptions() {
    nlohmann::json animations = nlohmann::json::array();
    const char* const labels[3] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        animations.push_back({kKeyTimes[i], point(kKeyframes[i], labels[i])});
    }
    const nlohmann::json pauseEvent = {{"gameTime", -1.0},
                                       {"relativeTime", kPauseAtAnimationTime},
                                       {"willSwitchPause", true},
                                       {"willSwitchAnimation", false}};
    const nlohmann::json profile = {{"description", "three keyframes"},
                                    {"animations", animations},
                                    {"timedEvents", {pauseEvent}}};
    OverlayGameOptions options;
    options.device.watchCameraWrites = true;
    options.cameraConfig = {{"cameraControls", {profile}},
                            {"hotkeyAnimation", "a"},
                            {"hotkeyPause", "o"},
                            {"hotkeyDisplay", "p"}};
    return options;
}

int cameraAnimationPlayed(ScenarioChecks& checks, OverlayGame& game) {
    writeWindowPlaces();
    game.startGameLuaState();  // time pause allowed, as camera control needs
    GameCameraObject& camera = game.device().camera();
    game.frame("before camera control");
    checks.check(camera.lastStep() == 0.25, "the game's camera code loads its own step, 0.25");
    if (!switchCameraControlOn(checks, game)) return checks.exitCode();
    checks.check(camera.lastStep() == -0.1,
                 "with camera control on the game's camera code loads the plug-in's step, -0.1");
    if (!useBezierAfterFirstKeyframe(checks, game)) return checks.exitCode();
    checks.check(game.logicRuns(), "the logic runs before the animation");

    const std::vector<CameraFrame> frames = playAnimation(game);
    checkPlayedFrames(checks, frames);
    checks.check(game.logicHeld(),
                 "the timed event at 10 s of the animation paused the game, the overlay hidden");
    const FrameResults after = game.cameraFrame("after the animation");
    checks.check(after.cameraWritten == false && after.cameraLeftAlone,
                 "after the animation the camera is the game's again");
    checks.check(game.window().receivedCount(WM_KEYDOWN, kAnimationKey) == 1,
                 "Ctrl+A also reached the game");
    checkOutputLog(checks, game.outputLog(), {});
    return checks.exitCode();
}

}  // namespace HostGame
