#include "bridge/code_scan.h"

#include <gtest/gtest.h>

using namespace Tovek::KV9Lua;

TEST(CodeScan, MainModuleRangeCoversThisProgram) {
    const TheGameModule module = getMainModuleRange();
    EXPECT_EQ(module.end - module.begin, module.size);
}
