#include "bridge/expansion_flag.h"

#include <gtest/gtest.h>

#include <boost/dll/runtime_symbol_info.hpp>

using Tovek::KV9Lua::decideExpansionFlag;
using Tovek::KV9Lua::isExpansionPath;

TEST(ExpansionFlag, PathNeedleInAnyCaseInAnyFolder) {
    const struct {
        const char* path;
        bool expansion;
    } cases[] = {
        {R"(C:\Games\KV9EP1\game.exe)", true},
        {R"(C:\Games\kV9eP1\bin\game.exe)", true},
        {R"(D:\kv9ep1-edition\game.exe)", true},
        {R"(C:\Games\tools\game_kv9Ep1.exe)", true},
        {R"(C:\Games\KV9\game.exe)", false},
        {R"(C:\Games\KV9 EP1\game.exe)", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isExpansionPath(c.path), c.expansion) << c.path;
    }
}

TEST(ExpansionFlag, IsTarnveilWinsOverThePath) {
    const std::filesystem::path expansionPath = R"(C:\Games\KV9EP1\game.exe)";
    const std::filesystem::path basePath = R"(C:\Games\KV9\game.exe)";
    EXPECT_FALSE(decideExpansionFlag({{"isTarnveil", false}}, expansionPath));
    EXPECT_TRUE(decideExpansionFlag({{"isTarnveil", true}}, basePath));
    EXPECT_TRUE(decideExpansionFlag(nlohmann::json::object(), expansionPath));
    EXPECT_FALSE(decideExpansionFlag(nlohmann::json::object(), basePath));
    // A configuration that is not an object has no "isTarnveil": the path decides.
    EXPECT_TRUE(decideExpansionFlag(nlohmann::json::array({1}), expansionPath));
}

TEST(ExpansionFlag, IsTarnveilMustBeABoolean) {
    try {
        decideExpansionFlag({{"isTarnveil", "yes"}}, "game.exe");
        FAIL() << "no error";
    } catch (const nlohmann::json::type_error& e) {
        EXPECT_STREQ(e.what(), "[json.exception.type_error.302] type must be boolean, but is string");
    }
}

TEST(ExpansionFlag, WithoutTheKeyThisProgramsOwnPathDecides) {
    EXPECT_EQ(decideExpansionFlag(nlohmann::json::object()),
              isExpansionPath(boost::dll::program_location()));
}
