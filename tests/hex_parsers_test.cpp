#include "bridge/hex_parsers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace Tovek::KV9Lua;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(HexParsers, ReadLikeA32BitStoulAndA64BitStoll) {
    struct Case {
        double (*parse)(const std::string&);
        const char* name;
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {hexToInt32, "Int32", "ffffffff", -1.0},
        {hexToInt32, "Int32", "80000000", -2147483648.0},
        {hexToInt32, "Int32", "100000000", kNaN},
        {hexToUInt32, "UInt32", "ffffffff", 4294967295.0},
        {hexToUInt32, "UInt32", "0x1f", 31.0},
        {hexToUInt32, "UInt32", "0X1F", 31.0},
        {hexToUInt32, "UInt32", "1fzz", 31.0},
        {hexToUInt32, "UInt32", "  +1f", 31.0},
        {hexToUInt32, "UInt32", "-1", 4294967295.0},
        {hexToUInt32, "UInt32", " -ffffffff", 1.0},
        {hexToUInt32, "UInt32", "-0", 0.0},
        {hexToUInt32, "UInt32", "zz", kNaN},
        {hexToUInt32, "UInt32", "", kNaN},
        {hexToUInt32, "UInt32", "-", kNaN},
        // One past 32 bits, whatever the width of the platform's unsigned long.
        {hexToUInt32, "UInt32", "100000000", kNaN},
        {hexToUInt32, "UInt32", "-100000000", kNaN},
        {hexToUInt32, "UInt32", "ffffffffffffffff", kNaN},
        {hexToUInt32, "UInt32", "10000000000000000", kNaN},
        {hexToInt64, "Int64", "7fffffffffffffff", 9223372036854775807.0},
        {hexToInt64, "Int64", "-10", -16.0},
        {hexToInt64, "Int64", "8000000000000000", kNaN},
        {hexToInt64, "Int64", "100000000", 4294967296.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "(\"" + c.text + "\")");
        const double value = c.parse(c.text);
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(std::isnan(value)) << value;
        } else {
            EXPECT_EQ(value, c.expected);
        }
    }
}

}  // namespace
