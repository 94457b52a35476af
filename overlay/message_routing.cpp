#include "overlay/message_routing.h"

namespace Zo::KV9RudiVeruv {

namespace {

constexpr uint32_t kSetFocus = 0x007;
constexpr uint32_t kKillFocus = 0x008;
constexpr uint32_t kKeyDown = 0x100;
constexpr uint32_t kKeyUp = 0x101;
constexpr uint32_t kChar = 0x102;
constexpr uint32_t kSysKeyDown = 0x104;
constexpr uint32_t kSysKeyUp = 0x105;
constexpr uint32_t kMouseMove = 0x200;
constexpr uint32_t kFirstMouseButton = 0x201;  // WM_LBUTTONDOWN
constexpr uint32_t kLastMouseButton = 0x20E;   // WM_MOUSEHWHEEL
constexpr uint32_t kDeviceChange = 0x219;
constexpr uint32_t kMouseLeave = 0x2A3;

}  // namespace

MessageKind messageKind(uint32_t message) {
    switch (message) {
    case kKeyDown:
    case kKeyUp:
    case kChar:
    case kSysKeyUp:
        return MessageKind::Keyboard;
    default:
        break;
    }
    if (message >= kFirstMouseButton && message <= kLastMouseButton) return MessageKind::Mouse;
    return MessageKind::Other;
}

bool toolkitTakesMessage(uint32_t message) {
    switch (message) {
    case kSetFocus:
    case kKillFocus:
    case kSysKeyDown:
    case kMouseMove:
    case kDeviceChange:
    case kMouseLeave:
        return true;
    default:
        break;
    }
    return messageKind(message) != MessageKind::Other;
}

bool toolkitKeepsMessage(uint32_t message, bool wantCaptureKeyboard, bool wantCaptureMouse) {
    switch (messageKind(message)) {
    case MessageKind::Keyboard:
        return wantCaptureKeyboard;
    case MessageKind::Mouse:
        return wantCaptureMouse;
    case MessageKind::Other:
        break;
    }
    return false;
}

}  // namespace Zo::KV9RudiVeruv
