#include "overlay/toolkit_input_queue.h"

#include "overlay/message_routing.h"

#include <algorithm>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr uint32_t kMouseMove = 0x200;    // WM_MOUSEMOVE
constexpr uint32_t kMouseLeave = 0x2A3;  // WM_MOUSELEAVE

// The signed client coordinates in a mouse message's lParam.
ToolkitPointer pointerIn(intptr_t lParam) {
    return {static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
}

}  // namespace

ToolkitInputQueue g_toolkitInput;

void ToolkitInputQueue::post(const WindowMessage& message) {
    std::lock_guard lock(m_mutex);
    if (message.message == kMouseMove && !m_messages.empty() &&
        m_messages.back().message == kMouseMove) {
        m_messages.back() = message;
        return;
    }
    m_messages.push_back(message);  // when full, the oldest goes
}

std::vector<WindowMessage> ToolkitInputQueue::takeFrame() {
    std::lock_guard lock(m_mutex);
    std::vector<WindowMessage> taken;
    bool buttonChanged = false;
    std::vector<uintptr_t> keysChanged;
    while (!m_messages.empty()) {
        const WindowMessage& next = m_messages.front();
        const bool button = isMouseButtonMessage(next.message);
        const bool pointerMoves = next.message == kMouseMove || next.message == kMouseLeave;
        if (buttonChanged && (button || pointerMoves)) break;
        if (isKeyChangeMessage(next.message)) {
            if (std::find(keysChanged.begin(), keysChanged.end(), next.wParam) !=
                keysChanged.end()) {
                break;
            }
            keysChanged.push_back(next.wParam);
        }
        buttonChanged = buttonChanged || button;
        if (button || next.message == kMouseMove) m_pointer = pointerIn(next.lParam);
        if (next.message == kMouseLeave) m_pointer.reset();
        taken.push_back(next);
        m_messages.pop_front();
    }
    return taken;
}

std::vector<WindowMessage> ToolkitInputQueue::takeAll() {
    std::lock_guard lock(m_mutex);
    std::vector<WindowMessage> taken(m_messages.begin(), m_messages.end());
    m_messages.clear();
    return taken;
}

std::optional<ToolkitPointer> ToolkitInputQueue::pointer() const {
    std::lock_guard lock(m_mutex);
    return m_pointer;
}

void ToolkitInputQueue::setPointer(std::optional<ToolkitPointer> pointer) {
    std::lock_guard lock(m_mutex);
    m_pointer = pointer;
}

void ToolkitInputQueue::setCapture(ToolkitCapture capture) {
    std::lock_guard lock(m_mutex);
    m_capture = capture;
}

ToolkitCapture ToolkitInputQueue::capture() const {
    std::lock_guard lock(m_mutex);
    return m_capture;
}

}  // namespace Zo::KV9RudiVeruv
