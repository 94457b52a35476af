#include "overlay/message_routing.h"
#include "overlay/toolkit_input_queue.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

constexpr uint32_t kKeyDown = 0x100;
constexpr uint32_t kKeyUp = 0x101;
constexpr uint32_t kChar = 0x102;
constexpr uint32_t kMouseMove = 0x200;
constexpr uint32_t kLeftButtonDown = 0x201;
constexpr uint32_t kLeftButtonUp = 0x202;
constexpr uint32_t kRightButtonDown = 0x204;
constexpr uint32_t kMouseWheel = 0x20A;
constexpr uint32_t kMouseLeave = 0x2A3;

// lParam of a mouse message at client coordinates (x, y), each a signed 16-bit number.
intptr_t at(int x, int y) {
    return static_cast<intptr_t>((static_cast<uint32_t>(y) & 0xFFFF) << 16 |
                                 (static_cast<uint32_t>(x) & 0xFFFF));
}

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

// The toolkit keeps each button's and key's state at its frame start: what would overwrite a
// change made in the same frame waits for the next one, with everything after it.
TEST(ToolkitInputQueue, EachFrameTakesMessagesUpToTheFirstThatWouldUndoAChangeOfItsFrame) {
    struct Case {
        const char* what;
        std::vector<WindowMessage> posted;
        std::vector<std::vector<uint32_t>> frames;
    };
    const Case cases[] = {
        {"a click between two frames",
         {{kMouseMove, 0, at(5, 5)}, {kLeftButtonDown, 1, at(5, 5)}, {kLeftButtonUp, 0, at(5, 5)}},
         {{kMouseMove, kLeftButtonDown}, {kLeftButtonUp}}},
        {"a move after a press",
         {{kLeftButtonDown, 1, at(5, 5)}, {kMouseMove, 1, at(9, 9)}, {kChar, 'a', 0}},
         {{kLeftButtonDown}, {kMouseMove, kChar}}},
        {"two buttons, a leave after a release",
         {{kLeftButtonDown, 1, 0}, {kRightButtonDown, 3, 0}, {kLeftButtonUp, 2, 0},
          {kMouseLeave, 0, 0}},
         {{kLeftButtonDown}, {kRightButtonDown}, {kLeftButtonUp}, {kMouseLeave}}},
        {"wheels and characters after a press",
         {{kLeftButtonDown, 1, 0}, {kMouseWheel, 0, 0}, {kChar, 'a', 0}},
         {{kLeftButtonDown, kMouseWheel, kChar}}},
        {"a key typed between two frames",
         {{kKeyDown, 'X', 1}, {kChar, 'x', 1}, {kKeyUp, 'X', 1}, {kChar, 'y', 1}},
         {{kKeyDown, kChar}, {kKeyUp, kChar}}},
        {"two keys",
         {{kKeyDown, 'X', 1}, {kKeyDown, 'Y', 1}, {kKeyUp, 'Y', 1}, {kKeyUp, 'X', 1}},
         {{kKeyDown, kKeyDown}, {kKeyUp, kKeyUp}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ToolkitInputQueue queue;
        for (const WindowMessage& message : c.posted) queue.post(message);
        for (const std::vector<uint32_t>& frame : c.frames) {
            EXPECT_EQ(messagesOf(queue.takeFrame()), frame);
        }
        EXPECT_TRUE(queue.takeFrame().empty());
    }
}

// Where the messages a frame took last put the pointer, in signed client coordinates (a drag
// the window captured goes past its edges); wheels, whose coordinates are the screen's, and
// keys leave it; a leave forgets it.
TEST(ToolkitInputQueue, ThePointerIsWhereTheLastMouseMessageTakenPutIt) {
    struct Step {
        WindowMessage message;
        std::optional<std::pair<int, int>> pointer;
    };
    const Step steps[] = {
        {{kChar, 'a', at(1, 1)}, std::nullopt},
        {{kMouseMove, 0, at(10, 20)}, std::pair{10, 20}},
        {{kLeftButtonDown, 1, at(11, 21)}, std::pair{11, 21}},
        {{kMouseMove, 1, at(-5, -7)}, std::pair{-5, -7}},
        {{kMouseWheel, 0, at(600, 400)}, std::pair{-5, -7}},
        {{kKeyDown, 'X', at(0, 0)}, std::pair{-5, -7}},
        {{kLeftButtonUp, 0, at(32767, 0)}, std::pair{32767, 0}},
        {{kMouseLeave, 0, 0}, std::nullopt},
    };
    ToolkitInputQueue queue;
    EXPECT_FALSE(queue.pointer().has_value());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.message.message);
        queue.post(step.message);
        ASSERT_EQ(queue.takeFrame().size(), 1u);
        const std::optional<ToolkitPointer> pointer = queue.pointer();
        ASSERT_EQ(pointer.has_value(), step.pointer.has_value());
        if (pointer) {
            EXPECT_EQ(pointer->x, step.pointer->first);
            EXPECT_EQ(pointer->y, step.pointer->second);
        }
    }
    queue.post({kMouseMove, 0, at(3, 4)});
    queue.takeAll();  // a saver's take
    EXPECT_FALSE(queue.pointer().has_value());
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
