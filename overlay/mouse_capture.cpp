#include "overlay/mouse_capture.h"

namespace Zo::KV9RudiVeruv {

namespace {

constexpr uint32_t kCaptureChanged = 0x215;  // WM_CAPTURECHANGED
// The mouse messages' key state: MK_LBUTTON, MK_RBUTTON, MK_MBUTTON, MK_XBUTTON1, MK_XBUTTON2.
constexpr uintptr_t kButtonsHeld = 0x01 | 0x02 | 0x10 | 0x20 | 0x40;

bool isPress(uint32_t message) {
    switch (message) {
    case 0x201: case 0x203:  // WM_LBUTTONDOWN, WM_LBUTTONDBLCLK
    case 0x204: case 0x206:  // WM_RBUTTONDOWN, WM_RBUTTONDBLCLK
    case 0x207: case 0x209:  // WM_MBUTTONDOWN, WM_MBUTTONDBLCLK
    case 0x20B: case 0x20D:  // WM_XBUTTONDOWN, WM_XBUTTONDBLCLK
        return true;
    default:
        return false;
    }
}

bool isRelease(uint32_t message) {
    return message == 0x202 || message == 0x205 || message == 0x208 ||
           message == 0x20C;  // WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP, WM_XBUTTONUP
}

}  // namespace

MouseCaptureStep mouseCaptureStep(uint32_t message, uintptr_t wParam, bool kept) {
    if (message == kCaptureChanged) return MouseCaptureStep::Lost;
    if (isPress(message)) return kept ? MouseCaptureStep::Take : MouseCaptureStep::None;
    // A release's key state holds the buttons still held.
    if (isRelease(message) && (wParam & kButtonsHeld) == 0) return MouseCaptureStep::GiveBack;
    return MouseCaptureStep::None;
}

}  // namespace Zo::KV9RudiVeruv
