#pragma once

// The overlay's tool windows where a scenario or the demo can point at them: an "imgui.ini" in
// the working directory places each window, and the toolkit lays out their widgets the same way
// on every run, so a widget sits at a fixed point of the game's window.

#include "hostgame/game/game_device.h"

#include <filesystem>
#include <ostream>

namespace HostGame {

struct Point {
    int x = 0;
    int y = 0;
};

// Widgets of the main tool window, as the layout places them.
constexpr Point kCameraControlSwitch{18, 328};
constexpr Point kHideHealthBarsSwitch{18, 376};
constexpr Point kHideSilhouettesSwitch{18, 400};
constexpr Point kShadowSize4096{421, 428};
constexpr Point kMainLightRed{50, 530};
// Of the camera control window: its profile buttons.
constexpr Point kNewProfile{570, 60};
constexpr Point kSaveConfig{700, 60};
// Of the camera control window, before its first keyframe.
constexpr Point kCopyCurrentCamera{592, 351};
constexpr Point kAddKeyframe{627, 375};
// And with one keyframe, when the animation controls and the list are shown.
constexpr Point kNewKeyTimeEnd{810, 483};  // the new keyframe's time field, right of its text
constexpr Point kCopyCurrentCameraBelowList{592, 555};
constexpr Point kAddKeyframeBelowList{627, 603};
constexpr Point kStartAnimation{579, 235};
// With two keyframes: the first one's Bezier switch.
constexpr Point kFirstKeyframeBezier{578, 337};
// The Lua functions window's three buttons.
constexpr Point kUnitColorButton{1018, 164};
constexpr Point kUnitTeamButton{1018, 324};
constexpr Point kGameInputButton{1020, 398};

// The windows' places: the main tool window on the left, camera control beside it, the Lua
// functions window and the Bezier inspector on the right, the timed events window collapsed.
void writeToolWindowLayout(const std::filesystem::path& folder);

// One window's entry in an "imgui.ini": its place, its size and whether it starts collapsed.
void writeWindowPlace(std::ostream& ini, const char* title, int x, int y, int width, int height,
                      bool collapsed);

// The player's mouse on the game's window, one frame drawn after each message so that the
// overlay sees every step.
class GameMouse {
public:
    explicit GameMouse(GameDevice& device) : m_device(device) {}
    void click(Point at);
    // Button down at `from`, moved `dx` pixels to the right in steps, button up.
    void drag(Point from, int dx);

private:
    void moveTo(Point at);
    void frame();

    GameDevice& m_device;
};

}  // namespace HostGame
