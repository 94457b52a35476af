#pragma once

// The window messages that the overlay's toolkit takes, carried from the game window's thread
// to the render thread, the only one that touches the toolkit's input state: the window
// procedure copies each one in, and every overlay frame hands them to the toolkit before the
// toolkit's frame starts. What the toolkit wanted to capture in its last frame goes the other
// way, for the window procedure to decide what the game gets.

#include "overlay/overlay_state.h"

#include <boost/circular_buffer.hpp>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace Zo::KV9RudiVeruv {

// One message as the window procedure received it. For a Ctrl, Shift or Alt key, whether its
// left and right keys were down then, as the window's thread saw its keyboard.
struct WindowMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool leftKeyDown = false;
    bool rightKeyDown = false;
};

// The toolkit wants the keyboard or the mouse for itself.
struct ToolkitCapture {
    bool keyboard = false;
    bool mouse = false;
};

class ToolkitInputQueue {
public:
    // While no frame runs (a minimised game draws none) only the newest messages are kept.
    static constexpr std::size_t kCapacity = 256;

    // Window thread. A mouse move right after another one replaces it: the toolkit reads only
    // that the mouse is over the window.
    void post(const WindowMessage& message);
    // Render thread: everything posted since the last call, oldest first.
    std::vector<WindowMessage> takeAll();

    // Render thread, once the toolkit's frame has started.
    void setCapture(ToolkitCapture capture);
    // Window thread.
    ToolkitCapture capture() const;

private:
    // A leaf lock: nothing else is taken while it is held.
    mutable std::mutex m_mutex;
    boost::circular_buffer<WindowMessage> m_messages{kCapacity};
    ToolkitCapture m_capture;
};

}  // namespace Zo::KV9RudiVeruv
