#include "overlay/lua_command_scripts.h"

#include <boost/dll/runtime_symbol_info.hpp>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

std::string unscrambled(const char* stored) {
    std::string text(stored);
    for (char& byte : text) byte = static_cast<char>(static_cast<uint8_t>(byte) - 7);
    return text;
}

// The .lua files as the build copied them beside the program.
std::string luaFiles(const std::vector<const char*>& names) {
    std::string text;
    for (const char* name : names) {
        const std::filesystem::path path =
            boost::dll::program_location().parent_path() / "lua" / name;
        std::ifstream file(path, std::ios::binary);
        EXPECT_TRUE(file) << path;
        text.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return text;
}

struct StoredScript {
    const char* symbol;
    const char* stored;
    std::vector<const char*> files;
    std::size_t maxSize;  // about 1.5 KB for the unit commands, 160 bytes for the switch
    const char* calledName;
};

const StoredScript kScripts[] = {
    {"kUnitColorScript", kUnitColorScript, {"chosen_units.lua", "unit_color.lua"}, 1600,
     "setUnitColor"},
    {"kUnitTeamScript", kUnitTeamScript, {"chosen_units.lua", "unit_team.lua"}, 1600,
     "setUnitTeam"},
    {"kGameInputScript", kGameInputScript, {"game_input.lua"}, 160, "setGameInput"},
};

TEST(LuaCommandScripts, UnscrambleToTheirLuaFiles) {
    for (const StoredScript& script : kScripts) {
        SCOPED_TRACE(script.symbol);
        const std::string text = unscrambled(script.stored);
        EXPECT_EQ(text, luaFiles(script.files));
        EXPECT_LE(text.size(), script.maxSize);
    }
}

// The argument list is appended right after the text: the text must end in the name of the
// function it calls, with nothing after the name, not even a line break.
TEST(LuaCommandScripts, EndInTheNameOfAFunctionTheyDefine) {
    for (const StoredScript& script : kScripts) {
        SCOPED_TRACE(script.symbol);
        const std::string text = unscrambled(script.stored);
        const std::string name = script.calledName;
        ASSERT_GT(text.size(), name.size());
        EXPECT_TRUE(text.ends_with("\n" + name));
        EXPECT_TRUE(std::regex_search(text, std::regex("local " + name + " = function\\(")));
    }
}

}  // namespace
