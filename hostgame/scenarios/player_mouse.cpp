#include "hostgame/scenarios/player_mouse.h"

#include "hostgame/scenarios/overlay_game.h"

namespace HostGame {

PlayerMouse::PlayerMouse(GameDevice& device) : m_device(device) {
    const HWND window = device.window().handle();
    device.window().runOnWindowThread([window] { ShowWindow(window, SW_SHOWNOACTIVATE); });
}

PlayerMouse::~PlayerMouse() {
    const HWND window = m_device.window().handle();
    m_device.window().runOnWindowThread([window] { ShowWindow(window, SW_HIDE); });
}

void PlayerMouse::moveTo(Point at) {
    step([at] { SetCursorPos(at.x, at.y); });
}

void PlayerMouse::button(DWORD flags) {
    step([flags] {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        SendInput(1, &input, sizeof input);
    });
}

Point PlayerMouse::position() const {
    POINT at{};
    GetCursorPos(&at);
    return {at.x, at.y};
}

void PlayerMouse::step(const std::function<void()>& send) {
    m_device.window().runOnWindowThread([&send] {
        send();
        // Windows has queued the input for the thread of the window it chose; this one's is
        // handled now, before the frame.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    });
    m_device.drawFrame(kGameColor);
}

}  // namespace HostGame
