#include "bridge/defines.h"

#include <gtest/gtest.h>

using namespace Tovek::KV9Lua;

namespace {

std::vector<LuaDefine> read(const char* config) {
    std::vector<LuaDefine> defines;
    readDefines(nlohmann::json::parse(config), defines);
    return defines;
}

}  // namespace

TEST(Defines, MembersInNameOrderWithTheirTypes) {
    const auto defines = read(R"({"defines": {"b": 1, "a": "x", "c": -2.5, "d": 18446744073709551615}})");
    ASSERT_EQ(defines.size(), 4u);
    EXPECT_EQ(defines[0].name, "a");
    EXPECT_EQ(std::get<std::string>(defines[0].value), "x");
    EXPECT_EQ(defines[1].name, "b");
    EXPECT_EQ(std::get<double>(defines[1].value), 1.0);
    EXPECT_EQ(std::get<double>(defines[2].value), -2.5);
    EXPECT_EQ(std::get<double>(defines[3].value), 18446744073709551615.0);
}

TEST(Defines, NothingToReadIsNoError) {
    EXPECT_TRUE(read(R"({})").empty());
    EXPECT_TRUE(read(R"({"defines": {}})").empty());
    EXPECT_TRUE(read(R"([1, 2])").empty());
}

TEST(Defines, BadValuesFailAndKeepWhatCameBefore) {
    const struct {
        const char* config;
        const char* message;
        std::size_t kept;
    } cases[] = {
        {R"({"defines": [1]})", "invalid json: defines should be a object", 0},
        {R"({"defines": "x"})", "invalid json: defines should be a object", 0},
        {R"({"defines": {"a": true}})", "invalid json: defines' values must be number or string", 0},
        {R"({"defines": {"a": 1, "b": null, "c": 2}})", "invalid json: defines' values must be number or string", 1},
        {R"({"defines": {"a": 1, "b": [1]}})", "invalid json: defines' values must be number or string", 1},
        {R"({"defines": {"a": "s", "b": {}}})", "invalid json: defines' values must be number or string", 1},
    };
    for (const auto& c : cases) {
        std::vector<LuaDefine> defines;
        try {
            readDefines(nlohmann::json::parse(c.config), defines);
            ADD_FAILURE() << "no error for " << c.config;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), c.message) << c.config;
        }
        EXPECT_EQ(defines.size(), c.kept) << c.config;
    }
}
