#include "overlay/toolkit_input_queue.h"

namespace Zo::KV9RudiVeruv {

namespace {

constexpr uint32_t kMouseMove = 0x200;  // WM_MOUSEMOVE

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

std::vector<WindowMessage> ToolkitInputQueue::takeAll() {
    std::lock_guard lock(m_mutex);
    std::vector<WindowMessage> taken(m_messages.begin(), m_messages.end());
    m_messages.clear();
    return taken;
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
