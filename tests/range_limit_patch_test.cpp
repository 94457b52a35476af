#include "bridge/range_limit_patch.h"

#include "tests/addresses.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <system_error>

using namespace Tovek::KV9Lua;

namespace {

// Two checker instructions' worth of bytes, each with its operand 4 bytes in.
uint8_t g_checkers[2][8];

TEST(RangeLimitPatch, AProtectionThatCannotChangeStopsThePatchAndKeepsWhatWasWritten) {
    // Reserved, never committed: its protection cannot change.
    void* const reserved = VirtualAlloc(nullptr, 0x1000, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(reserved, nullptr);
    const std::unique_ptr<void, void (*)(void*)> release(
        reserved, [](void* p) { VirtualFree(p, 0, MEM_RELEASE); });
    std::memset(g_checkers, 0, sizeof g_checkers);

    std::string error;
    int code = 0;
    try {
        patchRangeLimitCheckers({addressOf(g_checkers[0]), addressOf(reserved),
                                 addressOf(g_checkers[1])});
    } catch (const std::system_error& e) {
        error = e.what();
        code = e.code().value();
    }
    EXPECT_TRUE(error.starts_with("VirtualProtect failed: ")) << error;
    EXPECT_EQ(code, ERROR_INVALID_ADDRESS);
    uint32_t first = 0;
    uint32_t last = 0;
    std::memcpy(&first, g_checkers[0] + 4, sizeof first);
    std::memcpy(&last, g_checkers[1] + 4, sizeof last);
    EXPECT_EQ(first, addressOf(&g_extendedRangeLimit));
    EXPECT_EQ(last, 0u);
}

int g_flushes = 0;
bool countedFlush() {
    ++g_flushes;
    return true;
}
bool refusedFlush() {
    ++g_flushes;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

TEST(RangeLimitPatch, TheInstructionCacheIsFlushedAfterEveryListAndItsFailureReported) {
    std::memset(g_checkers, 0, sizeof g_checkers);
    g_flushes = 0;
    patchRangeLimitCheckers({}, countedFlush);
    EXPECT_EQ(g_flushes, 1);

    std::string error;
    int code = 0;
    try {
        patchRangeLimitCheckers({addressOf(g_checkers[0]), addressOf(g_checkers[1])},
                                refusedFlush);
    } catch (const std::system_error& e) {
        error = e.what();
        code = e.code().value();
    }
    EXPECT_EQ(g_flushes, 2);
    EXPECT_TRUE(error.starts_with("FlushInstructionCache failed: ")) << error;
    EXPECT_EQ(code, ERROR_ACCESS_DENIED);
    for (const auto& checker : g_checkers) {  // written before the flush
        uint32_t operand = 0;
        std::memcpy(&operand, checker + 4, sizeof operand);
        EXPECT_EQ(operand, addressOf(&g_extendedRangeLimit));
    }
}

}  // namespace
