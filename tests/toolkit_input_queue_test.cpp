#include "overlay/message_routing.h"
#include "overlay/toolkit_input_queue.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

constexpr uint32_t kKeyDown = 0x100;
constexpr uint32_t kChar = 0x102;
constexpr uint32_t kMouseMove = 0x200;
constexpr uint32_t kLeftButtonDown = 0x201;

std::vector<uint32_t> messagesOf(const std::vector<WindowMessage>& taken) {
    std::vector<uint32_t> messages;
    for (const WindowMessage& m : taken) messages.push_back(m.message);
    return messages;
}

TEST(ToolkitMessages, TheToolkitTakesWhatItsWin32HandlerReads) {
    struct Case {
        const char* what;
        uint32_t message;
        bool taken;
    };
    const Case cases[] = {
        {"WM_SETFOCUS", 0x007, true},      {"WM_KILLFOCUS", 0x008, true},
        {"WM_KEYDOWN", 0x100, true},       {"WM_KEYUP", 0x101, true},
        {"WM_CHAR", 0x102, true},          {"WM_DEADCHAR", 0x103, false},
        {"WM_SYSKEYDOWN", 0x104, true},    {"WM_SYSKEYUP", 0x105, true},
        {"WM_MOUSEMOVE", 0x200, true},     {"WM_LBUTTONDOWN", 0x201, true},
        {"WM_XBUTTONDBLCLK", 0x20D, true}, {"WM_MOUSEHWHEEL", 0x20E, true},
        {"WM_DEVICECHANGE", 0x219, true},  {"WM_MOUSELEAVE", 0x2A3, true},
        {"WM_SETCURSOR", 0x020, false},    {"WM_PAINT", 0x00F, false},
        {"WM_CLOSE", 0x010, false},        {"0x20F", 0x20F, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(toolkitTakesMessage(c.message), c.taken);
    }
}

TEST(ToolkitInputQueue, HandsOverEveryMessageOnceInItsOrder) {
    ToolkitInputQueue queue;
    EXPECT_TRUE(queue.takeAll().empty());
    queue.post({kKeyDown, 'X', 1});
    queue.post({kChar, 'x', 2});
    queue.post({kLeftButtonDown, 1, 3});
    const std::vector<WindowMessage> taken = queue.takeAll();
    EXPECT_EQ(messagesOf(taken), (std::vector<uint32_t>{kKeyDown, kChar, kLeftButtonDown}));
    EXPECT_EQ(taken[1].wParam, uintptr_t{'x'});
    EXPECT_EQ(taken[2].lParam, 3);
    EXPECT_TRUE(queue.takeAll().empty());
}

TEST(ToolkitInputQueue, AMouseMoveReplacesOnlyTheMoveRightBeforeIt) {
    ToolkitInputQueue queue;
    queue.post({kMouseMove, 0, 1});
    queue.post({kMouseMove, 0, 2});
    queue.post({kLeftButtonDown, 1, 2});
    queue.post({kMouseMove, 0, 3});
    const std::vector<WindowMessage> taken = queue.takeAll();
    EXPECT_EQ(messagesOf(taken), (std::vector<uint32_t>{kMouseMove, kLeftButtonDown, kMouseMove}));
    EXPECT_EQ(taken.front().lParam, 2);
    EXPECT_EQ(taken.back().lParam, 3);
}

TEST(ToolkitInputQueue, WithoutFramesOnlyTheNewestMessagesAreKept) {
    ToolkitInputQueue queue;
    const int posted = static_cast<int>(ToolkitInputQueue::kCapacity) + 10;
    for (int i = 0; i < posted; ++i) queue.post({kChar, static_cast<uintptr_t>(i), 0});
    const std::vector<WindowMessage> taken = queue.takeAll();
    ASSERT_EQ(taken.size(), ToolkitInputQueue::kCapacity);
    EXPECT_EQ(taken.front().wParam, 10u);
    EXPECT_EQ(taken.back().wParam, static_cast<uintptr_t>(posted - 1));
}

TEST(ToolkitInputQueue, TheCaptureFlagsAreTheLastOnesSet) {
    ToolkitInputQueue queue;
    EXPECT_FALSE(queue.capture().keyboard);
    EXPECT_FALSE(queue.capture().mouse);
    queue.setCapture({true, false});
    EXPECT_TRUE(queue.capture().keyboard);
    EXPECT_FALSE(queue.capture().mouse);
    queue.setCapture({false, true});
    EXPECT_FALSE(queue.capture().keyboard);
    EXPECT_TRUE(queue.capture().mouse);
}

}  // namespace
