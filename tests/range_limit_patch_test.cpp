#include "bridge/range_limit_patch.h"

#include "bridge/game_patches.h"
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

}  // namespace
