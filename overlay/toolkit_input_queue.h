#pragma once

// The window messages that the overlay's toolkit takes, carried from the game window's thread
// to the render thread, the only one that touches the toolkit's input state: the window
// procedure copies each one in, and every overlay frame hands the toolkit its share of them
// before the toolkit's frame starts. What the toolkit wanted to capture in its last frame goes
// the other way, for the window procedure to decide what the game gets.

#include "overlay/overlay_state.h"

#include <boost/circular_buffer.hpp>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
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

// Where a mouse message says the pointer was, in the window's client coordinates.
struct ToolkitPointer {
    int x = 0;
    int y = 0;
};

class ToolkitInputQueue {
public:
    // While no frame runs (a minimised game draws none) only the newest messages are kept.
    static constexpr std::size_t kCapacity = 256;

    // Window thread. A mouse move right after another one replaces it: the toolkit reads only
    // where the last one put the pointer.
    void post(const WindowMessage& message);
    // Render thread: the messages for one toolkit frame, oldest first. The toolkit keeps only
    // the state of each button and key at its frame's start, so a change of a mouse button is
    // followed in its frame by no other button change and no mouse move or leave, and a key's
    // change by no other change of that key: from there on, the messages wait for the next
    // frame. A press and its release that came between two frames thus take one frame each,
    // each at the pointer of its own message.
    std::vector<WindowMessage> takeFrame();
    // Everything posted since the last take, oldest first; the pointer stays as it was.
    std::vector<WindowMessage> takeAll();

    // Render thread: where the mouse messages taken for a frame last put the pointer; none
    // before the first one and once the pointer has left the window.
    std::optional<ToolkitPointer> pointer() const;
    void setPointer(std::optional<ToolkitPointer> pointer);

    // Render thread, once the toolkit's frame has started.
    void setCapture(ToolkitCapture capture);
    // Window thread.
    ToolkitCapture capture() const;

private:
    // A leaf lock: nothing else is taken while it is held.
    mutable std::mutex m_mutex;
    boost::circular_buffer<WindowMessage> m_messages{kCapacity};
    std::optional<ToolkitPointer> m_pointer;
    ToolkitCapture m_capture;
};

}  // namespace Zo::KV9RudiVeruv
