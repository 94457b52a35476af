#include "entry/time_pause_wiring.h"

#include "bridge/code_scan.h"
#include "overlay/hotkey_letters.h"
#include "overlay/output_log.h"
#include "overlay/overlay_host.h"
#include "rudiveruv/d3d9_probe.h"
#include "rudiveruv/game_crt_functions.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/plugin_start.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/rudiveruv_lua.h"
#include "rudiveruv/rudiveruv_state.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"
#include "tests/test_folder.h"


#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;
using Tovek::KV9Lua::kBaseLibEntryCount;
using Tovek::KV9Lua::KV9Lua;
using Tovek::KV9Lua::LuaPluginInterface;
using Tovek::KV9Lua::LuaReg;

namespace {

template <typename Function>
void* code(Function function) {
    return reinterpret_cast<void*>(function);
}

template <typename Variable>
void** slot(Variable& variable) {
    return reinterpret_cast<void**>(&variable);
}

struct HookCall {
    void** target;
    void* detour;
    bool operator==(const HookCall&) const = default;
};

enum class HookFailure { NullVariable, ReturnFalse, ThrowInt };

// The test's hook routine records its calls and detours nothing; one chosen call can fail.
std::vector<HookCall> g_hookCalls;
std::size_t g_failingCall = 0;  // 1-based; 0: none fails
HookFailure g_failure = HookFailure::ReturnFalse;
std::vector<std::string> g_log;

bool recordingHook(void** target, void* detour) {
    g_hookCalls.push_back({target, detour});
    if (g_hookCalls.size() != g_failingCall) return true;
    switch (g_failure) {
        case HookFailure::NullVariable:
            *target = nullptr;
            return true;
        case HookFailure::ReturnFalse:
            return false;
        case HookFailure::ThrowInt:
            throw 42;
    }
    return true;
}

void recordingLog(const char* text) { g_log.emplace_back(text); }

int baseFunction(Tovek::KV9Lua::LuaState*) { return 0; }
int firstDostring(Tovek::KV9Lua::LuaState*) { return 1; }
int lastDostring(Tovek::KV9Lua::LuaState*) { return 2; }
int nearMiss(Tovek::KV9Lua::LuaState*) { return 3; }

// Runs the plug-in's start in the test process as if for the first time. The debug module
// counts as set up already (its installation is tested on its own); d3d9.dll and msvcr80.dll
// are loaded, as in the game. The globals the start writes are restored afterwards.
class PluginStartTest : public testing::Test {
protected:
    void SetUp() override {
        m_d3d9 = LoadLibraryA("d3d9.dll");
        m_msvcr80 = LoadLibraryA("msvcr80.dll");
        ASSERT_NE(m_d3d9, nullptr);
        ASSERT_NE(m_msvcr80, nullptr);
        {
            std::lock_guard lock(g_stateMutex);
            g_debugModuleInitialized = true;
            g_hotkeyDisplay = 'X';
            g_hotkeyPause = 'Y';
        }
        g_rudiVeruvInitCalled = 0;
        g_hookCalls.clear();
        g_failingCall = 0;
        g_log.clear();

        for (LuaReg& entry : m_baseLib) entry = {"print", baseFunction};
        m_baseLib[3] = {"dostring", firstDostring};
        m_baseLib[4] = {"dostrings", nearMiss};
        m_baseLib[5] = {"Dostring", nearMiss};
        m_baseLib[6] = {"dostrin", nearMiss};
        m_baseLib[30] = {"dostring", lastDostring};
        m_baseLib[32] = {nullptr, nullptr};
        std::array<uintptr_t, sizeof(KV9Lua) / sizeof(void*)> fields{};
        for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = 0x10000 + 0x10 * i;
        std::memcpy(&m_api, fields.data(), sizeof m_api);
        m_api.baseLibEntries = m_baseLib.data();
    }

    void TearDown() override {
        if (m_msvcr80 != nullptr) FreeLibrary(m_msvcr80);
        if (m_d3d9 != nullptr) FreeLibrary(m_d3d9);
    }

    bool start(const char* customData = "[null]") {
        const LuaPluginInterface plugin{recordingHook, recordingLog, nullptr, &m_api,
                                        customData,    nullptr,      nullptr};
        return startTimePausePlugin(&plugin);
    }

    // Every detour of a complete start, in order.
    static std::vector<HookCall> allHooks() {
        return {{&g_originalEndScene, code(hookedEndScene)},
                {&g_originalReset, code(hookedReset)},
                {slot(g_rudiVeruvLua.getglobal), code(hookedGetglobal)},
                {slot(g_gameCrt.wfopen), code(hookedWfopen)},
                {slot(g_gameCrt.fwrite), code(hookedFwrite)},
                {slot(g_gameCrt.ftell), code(hookedFtell)},
                {slot(g_gameCrt.fclose), code(hookedFclose)}};
    }

    static std::string hotkeys() {
        std::lock_guard lock(g_stateMutex);
        return {g_hotkeyDisplay, g_hotkeyPause};
    }

    HMODULE m_d3d9 = nullptr;
    HMODULE m_msvcr80 = nullptr;
    std::array<LuaReg, kBaseLibEntryCount> m_baseLib{};
    KV9Lua m_api{};

private:
    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
};

TEST_F(PluginStartTest, CompleteStart) {
    ASSERT_TRUE(start());
    EXPECT_TRUE(g_log.empty());
    EXPECT_EQ(g_hookCalls, allHooks());

    EXPECT_EQ(std::memcmp(&g_rudiVeruvLua, &m_api, sizeof m_api), 0);
    EXPECT_EQ(g_luaDostring, lastDostring);

    const Addresses device = findEndSceneAddress({0x400000, 0x401000, 0x1000});
    EXPECT_EQ(g_originalEndScene, device.endScene);
    EXPECT_EQ(g_originalReset, device.reset);

    EXPECT_EQ(g_gameCrt.module, m_msvcr80);
    EXPECT_EQ(reinterpret_cast<void*>(g_gameCrt.fwrite),
              reinterpret_cast<void*>(GetProcAddress(m_msvcr80, "fwrite")));
}

TEST_F(PluginStartTest, SecondStartFails) {
    ASSERT_TRUE(start());
    g_hookCalls.clear();
    EXPECT_FALSE(start());
    EXPECT_EQ(g_log, std::vector<std::string>{"already called"});
    EXPECT_TRUE(g_hookCalls.empty());
}

TEST_F(PluginStartTest, HotkeyOptions) {
    struct Case {
        const char* customData;
        std::string hotkeys;  // display, pause
    };
    const Case cases[] = {
        {R"({"hotkey": "p"})", "PY"},
        {R"({"hotkey_for_pause": "9"})", "X9"},
        {R"({"hotkey": "quit", "hotkey_for_pause": "z"})", "QZ"},
        {R"({"hotkey": "@", "hotkey_for_pause": "P"})", "@P"},
        // Not ASCII: no hotkey, where its first byte alone could not be saved.
        {"{\"hotkey\": \"\xC3\xA9\"}", std::string("\0Y", 2)},
        {R"({"other": "k"})", "XY"},
        {"{}", "XY"},
        {"[null]", "XY"},
        {R"("p")", "XY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.customData);
        g_rudiVeruvInitCalled = 0;
        {
            std::lock_guard lock(g_stateMutex);
            g_hotkeyDisplay = 'X';
            g_hotkeyPause = 'Y';
        }
        g_log.clear();
        EXPECT_TRUE(start(c.customData));
        EXPECT_TRUE(g_log.empty());
        EXPECT_EQ(hotkeys(), c.hotkeys);
    }
}

// The Output log's lines also go to the file the options name; a file that cannot be created
// is reported and the start goes on.
TEST_F(PluginStartTest, OutputLogFileOption) {
    const auto folder = testFolderPath("vellox-output-log-option");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "output log \xC3\xA9.txt").generic_string();
    ASSERT_TRUE(start(("{\"outputLogFile\": \"" + file + "\"}").c_str()));
    EXPECT_TRUE(g_log.empty());
    logMessageCallback("[Game] hello");
    closeOutputLogMirror();
    {
        std::ifstream in(std::filesystem::path(std::u8string(file.begin(), file.end())));
        std::string line;
        EXPECT_TRUE(std::getline(in, line));
        EXPECT_EQ(line, "[Game] hello");
    }

    g_rudiVeruvInitCalled = 0;
    const std::string missing = (folder / "no folder" / "log.txt").generic_string();
    EXPECT_TRUE(start(("{\"outputLogFile\": \"" + missing + "\"}").c_str()));
    EXPECT_EQ(g_log, std::vector<std::string>{"Cannot create the Output log file " + missing});
    std::filesystem::remove_all(folder);
}

// Bad options stop the start before anything is detoured.
TEST_F(PluginStartTest, OptionErrors) {
    struct Case {
        const char* customData;
        const char* error;
    };
    const Case cases[] = {
        {R"({"hotkey": ""})", "invalid string position"},
        {R"({"hotkey": "a", "hotkey_for_pause": ""})", "invalid string position"},
        {R"({"hotkey": 5})", "[json.exception.type_error.302] type must be string, but is number"},
        {R"({"hotkey_for_pause": null})",
         "[json.exception.type_error.302] type must be string, but is null"},
        {R"({"outputLogFile": 5})",
         "[json.exception.type_error.302] type must be string, but is number"},
        {"/* comment */ {}",
         "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
         "parsing value - invalid literal; last read: '/'"},
        {"{", "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error "
              "while parsing object key - unexpected end of input; expected string literal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.customData);
        g_rudiVeruvInitCalled = 0;
        g_log.clear();
        EXPECT_FALSE(start(c.customData));
        EXPECT_EQ(g_log, std::vector<std::string>{c.error});
        EXPECT_TRUE(g_hookCalls.empty());
    }
}

TEST_F(PluginStartTest, HookFailures) {
    struct Case {
        std::size_t failingCall;
        HookFailure failure;
        const char* error;  // null: the start succeeds
    };
    const Case cases[] = {
        {1, HookFailure::NullVariable, "Failed to hook D3D9 EndScene"},
        {1, HookFailure::ReturnFalse, "Failed to hook D3D9 EndScene"},  // whatever the variable
        {2, HookFailure::NullVariable, "Failed to hook D3D9 Reset"},
        {3, HookFailure::ReturnFalse, nullptr},  // getglobal's result is not tested
        {4, HookFailure::ReturnFalse, "Failed to hook _wfopen"},
        {4, HookFailure::NullVariable, "Failed to hook _wfopen"},  // one rule for every detour
        {5, HookFailure::ReturnFalse, "Failed to hook fwrite"},
        {6, HookFailure::ReturnFalse, "Failed to hook ftell"},
        {7, HookFailure::ReturnFalse, "Failed to hook fclose"},
        {4, HookFailure::ThrowInt, "Unknown error"},
    };
    const std::vector<HookCall> all = allHooks();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "hook call " << c.failingCall);
        g_rudiVeruvInitCalled = 0;
        g_hookCalls.clear();
        g_log.clear();
        g_failingCall = c.failingCall;
        g_failure = c.failure;
        EXPECT_EQ(start(), c.error == nullptr);
        if (c.error == nullptr) {
            EXPECT_TRUE(g_log.empty());
            EXPECT_EQ(g_hookCalls, all);
        } else {
            EXPECT_EQ(g_log, std::vector<std::string>{c.error});
            // Nothing after the failing detour is tried.
            EXPECT_EQ(g_hookCalls, std::vector<HookCall>(all.begin(), all.begin() + c.failingCall));
        }
    }
}

TEST(GameCrtFunctions, LooksUpTheGameRuntime) {
    const HMODULE msvcr80 = LoadLibraryA("msvcr80.dll");
    ASSERT_NE(msvcr80, nullptr);
    const GameCrtFunctions crt = getGameCrtFunctions();
    EXPECT_EQ(crt.module, msvcr80);
    const std::array<std::pair<void*, const char*>, 7> functions{{
        {code(crt.wfopen), "_wfopen"},
        {code(crt.fread), "fread"},
        {code(crt.fwrite), "fwrite"},
        {code(crt.fseek), "fseek"},
        {code(crt.ftell), "ftell"},
        {code(crt.fclose), "fclose"},
        {code(crt.vsnprintf), "_vsnprintf"},
    }};
    for (const auto& [address, name] : functions) {
        EXPECT_EQ(address, code(GetProcAddress(msvcr80, name))) << name;
    }
    FreeLibrary(msvcr80);
}

TEST(GameCrtFunctions, MissingExportNamesTheFunction) {
    try {
        getProcAddressOrThrow(GetModuleHandleA("kernel32.dll"), "NoSuchFunction");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to get address of NoSuchFunction");
    }
}

}  // namespace
