#pragma once

// The player's own mouse on the shown game window, as Windows routes it: the pointer is moved
// where the player moves it and its button pressed and released through SendInput, so a message
// goes to the window under the pointer, or to the window holding the mouse capture. Each step's
// messages are handled on the window's thread, then a frame is drawn.

#include "hostgame/game/game_device.h"
#include "hostgame/scenarios/tool_window_layout.h"

#include <windows.h>

#include <functional>

namespace HostGame {

class PlayerMouse {
public:
    // Shows the game window (a hidden one is under no pointer) until destroyed.
    explicit PlayerMouse(GameDevice& device);
    ~PlayerMouse();
    PlayerMouse(const PlayerMouse&) = delete;
    PlayerMouse& operator=(const PlayerMouse&) = delete;

    // The point is on the screen, whose origin is the window's client area's.
    void moveTo(Point at);
    void press() { button(MOUSEEVENTF_LEFTDOWN); }
    void release() { button(MOUSEEVENTF_LEFTUP); }
    // Where the pointer is now.
    Point position() const;

private:
    void button(DWORD flags);
    // Sends the input on the window's thread and handles what it queued there, then a frame.
    void step(const std::function<void()>& send);

    GameDevice& m_device;
};

}  // namespace HostGame
