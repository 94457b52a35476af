#include "rudiveruv/rudiveruv_controller.h"

#include "entry/time_pause_wiring.h"
#include "hostgame/loader/inline_hook.h"
#include "overlay/output_log.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/addresses.h"
#include "tests/folder_state_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <iterator>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

using Bytes = std::vector<uint8_t>;

// The two known game builds: where the handle global lies and the code that reads it.
struct KnownBuild {
    uint32_t handleGlobal;
    uint32_t codeOffset;
    Bytes code;
};

const KnownBuild kBuildA{0x9088F0, 0x5CE4C0,
                         {0x8B, 0x0D, 0xF0, 0x88, 0xD0, 0x00, 0x85, 0xC9, 0x74, 0x25, 0x80,
                          0x7C, 0x24, 0x08, 0x00, 0xB8, 0x6C, 0x0B, 0xC7, 0x00, 0x75, 0x05,
                          0xB8, 0x5C, 0x0B, 0xC7, 0x00, 0x50, 0x51, 0xFF, 0x15, 0x54}};
const KnownBuild kBuildB{0x91C3C0, 0x5E21A0,
                         {0x8B, 0x0D, 0xC0, 0xC3, 0xD1, 0x00, 0x85, 0xC9, 0x74, 0x25, 0x80,
                          0x7C, 0x24, 0x08, 0x00, 0xB8, 0x0C, 0x31, 0xC8, 0x00, 0x75, 0x05,
                          0xB8, 0xFC, 0x30, 0xC8, 0x00, 0x50, 0x51, 0xFF, 0x15, 0x54}};

// Zero-filled memory the size of a game image, which the test executable's own image is not.
// A module is its first `size` bytes.
class SyntheticImage {
public:
    static constexpr uint32_t kCapacity = 0x920000;

    SyntheticImage()
        : m_base(static_cast<uint8_t*>(
              VirtualAlloc(nullptr, kCapacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))) {}
    ~SyntheticImage() { VirtualFree(m_base, 0, MEM_RELEASE); }
    SyntheticImage(const SyntheticImage&) = delete;
    SyntheticImage& operator=(const SyntheticImage&) = delete;

    bool valid() const { return m_base != nullptr; }
    uint32_t begin() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_base)); }
    TheGameModule module(uint32_t size) const { return {begin(), begin() + size, size}; }

    void writeCode(const KnownBuild& build) {
        std::memcpy(m_base + build.codeOffset, build.code.data(), build.code.size());
    }
    uint8_t* handleGlobal(const KnownBuild& build) const { return m_base + build.handleGlobal; }
    uint32_t handleValue(const KnownBuild& build) const {
        uint32_t value = 0;
        std::memcpy(&value, handleGlobal(build), sizeof value);
        return value;
    }

private:
    uint8_t* m_base;
};

// Enough digits to tell every double apart.
std::string allDigits(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

template <typename Function>
FARPROC asFarproc(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// The seven debug functions under the names the game asks for.
const std::pair<const char*, FARPROC> kDebugFunctions[] = {
        {"AppendMessageAndPause", asFarproc(AppendMessageAndPause)},
        {"AppendMessage", asFarproc(AppendMessage)},
        {"AppendAIMessage", asFarproc(AppendAIMessage)},
        {"SetFrameNumber", asFarproc(SetFrameNumber)},
        {"CanAppContinue", asFarproc(CanAppContinue)},
        {"RunAppFast", asFarproc(RunAppFast)},
        {"ForceAppContinue", asFarproc(ForceAppContinue)},
};

TEST(DebugModuleBuilds, TakeTheFirstBuildWhoseCodeTheModuleHolds) {
    struct Case {
        const char* what;
        uint32_t size;
        bool codeA;
        bool codeB;
        const KnownBuild* expected;  // null: no debug module
    };
    const Case cases[] = {
        {"build A at its least size", 0x9088F4, true, false, &kBuildA},
        {"too small for build A", 0x9088F0, true, true, nullptr},
        {"build A's global cut by the end", 0x9088F3, true, false, nullptr},
        {"build B at its least size", 0x91C3C4, false, true, &kBuildB},
        {"too small for build B", 0x91C3C0, false, true, nullptr},
        {"build B's global cut by the end", 0x91C3C1, false, true, nullptr},
        {"both builds' code: A wins", 0x91C3C4, true, true, &kBuildA},
        {"no code at all", 0x91C3C4, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SyntheticImage image;
        ASSERT_TRUE(image.valid());
        if (c.codeA) image.writeCode(kBuildA);
        if (c.codeB) image.writeCode(kBuildB);
        const uint32_t expected = c.expected ? addressOf(image.handleGlobal(*c.expected)) : 0;
        EXPECT_EQ(findDebugModuleHandleGlobal(image.module(c.size)), expected);
    }
}

TEST(DebugModuleBuilds, OneDifferingByteRejectsTheBuild) {
    SyntheticImage image;
    ASSERT_TRUE(image.valid());
    const TheGameModule module = image.module(SyntheticImage::kCapacity);
    for (const KnownBuild* build : {&kBuildA, &kBuildB}) {
        for (std::size_t index = 0; index < build->code.size(); ++index) {
            SCOPED_TRACE(testing::Message() << "build at 0x" << std::hex << build->handleGlobal
                                            << ", byte " << std::dec << index);
            KnownBuild altered = *build;
            altered.code[index] ^= 0x01;
            image.writeCode(altered);
            EXPECT_EQ(findDebugModuleHandleGlobal(module), 0u);
        }
        image.writeCode(*build);
        EXPECT_EQ(findDebugModuleHandleGlobal(module), addressOf(image.handleGlobal(*build)));
        image.writeCode(KnownBuild{0, build->codeOffset, Bytes(build->code.size(), 0)});
    }
}

// install on a controller of the test's own, with a hook routine that only records its call.
// The routine writes back what the variable held before install, as a real one writes the way
// back, so that GetProcAddress keeps working even when a real detour is already in place.
class DebugModuleInstall : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_image.valid());
        s_savedOriginal = g_originalGetProcAddress;
        s_hookCalls.clear();
        s_hookResult = true;
    }

    struct HookCall {
        void** target;
        void* valueSeen;
        void* detour;
    };

    static bool recordingHook(void** target, void* detour) {
        s_hookCalls.push_back({target, *target, detour});
        if (s_savedOriginal != nullptr) *target = s_savedOriginal;
        return s_hookResult;
    }

    static inline void* s_savedOriginal = nullptr;
    static inline std::vector<HookCall> s_hookCalls;
    static inline bool s_hookResult = true;

    RudiVeruvStateGuard m_rudiVeruvState;
    SyntheticImage m_image;
    RudiVeruvController m_controller;
    const HookRoutine m_hook = recordingHook;
};

TEST_F(DebugModuleInstall, UnknownBuildChangesNothing) {
    m_image.writeCode(KnownBuild{0, kBuildA.codeOffset, Bytes(32, 0x90)});
    m_controller.install(m_image.module(SyntheticImage::kCapacity), m_hook);
    EXPECT_TRUE(s_hookCalls.empty());
    EXPECT_TRUE(m_controller.exportTable.empty());
    EXPECT_FALSE(m_controller.installed);
    EXPECT_EQ(m_image.handleValue(kBuildA), 0u);
    EXPECT_EQ(m_image.handleValue(kBuildB), 0u);
}

TEST_F(DebugModuleInstall, FillsTheTableHooksGetProcAddressAndWritesTheHandle) {
    m_image.writeCode(kBuildA);
    m_image.writeCode(kBuildB);
    const auto getProcAddress =
        GetProcAddress(GetModuleHandleW(L"Kernel32.dll"), "GetProcAddress");
    m_controller.install(m_image.module(SyntheticImage::kCapacity), m_hook);

    ASSERT_EQ(s_hookCalls.size(), 1u);
    EXPECT_EQ(s_hookCalls[0].target, &g_originalGetProcAddress);
    EXPECT_EQ(s_hookCalls[0].valueSeen, reinterpret_cast<void*>(getProcAddress));
    EXPECT_EQ(s_hookCalls[0].detour, reinterpret_cast<void*>(hookedGetProcAddress));
    EXPECT_TRUE(m_controller.installed);
    EXPECT_EQ(m_image.handleValue(kBuildA), addressOf(&m_controller));
    EXPECT_EQ(m_image.handleValue(kBuildB), 0u);
    const DebugExportTable expected(std::begin(kDebugFunctions), std::end(kDebugFunctions));
    EXPECT_EQ(m_controller.exportTable, expected);

    // A second install does nothing, whatever module it is given.
    SyntheticImage other;
    ASSERT_TRUE(other.valid());
    other.writeCode(kBuildB);
    m_controller.install(other.module(SyntheticImage::kCapacity), m_hook);
    EXPECT_EQ(s_hookCalls.size(), 1u);
    EXPECT_EQ(other.handleValue(kBuildB), 0u);
}

TEST_F(DebugModuleInstall, AFailedHookStillWritesTheHandleAndLeavesItUninstalled) {
    s_hookResult = false;
    m_image.writeCode(kBuildB);
    const TheGameModule module = m_image.module(SyntheticImage::kCapacity);
    m_controller.install(module, m_hook);
    EXPECT_EQ(s_hookCalls.size(), 1u);
    EXPECT_FALSE(m_controller.installed);
    EXPECT_EQ(m_controller.exportTable.size(), 7u);
    EXPECT_EQ(m_image.handleValue(kBuildB), addressOf(&m_controller));

    // Not installed, so a later install tries again.
    s_hookResult = true;
    m_controller.install(module, m_hook);
    EXPECT_EQ(s_hookCalls.size(), 2u);
    EXPECT_TRUE(m_controller.installed);
}

// Runs each test with the shared controller's callables emptied; the state guard brings them
// back afterwards.
class DebugFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        RudiVeruvController empty;
        copyControllerCallables(empty, RudiVeruvController::instance());
    }

    // Whether some other thread holds the controller's mutex right now.
    static bool controllerHeldElsewhere() {
        bool held = false;
        std::thread([&held] {
            std::recursive_mutex& mutex = RudiVeruvController::instance().mutex;
            held = !mutex.try_lock();
            if (!held) mutex.unlock();
        }).join();
        return held;
    }

    // Callables that record each call, marked when it ran without the controller's lock.
    void installRecorders(bool answer) {
        RudiVeruvController& controller = RudiVeruvController::instance();
        const auto record = [this](std::string call) {
            m_calls.push_back(controllerHeldElsewhere() ? call : call + " (unlocked)");
        };
        controller.isPaused = [record, answer] { record("isPaused"); return answer; };
        controller.isFastForwarding = [record, answer] {
            record("isFastForwarding");
            return answer;
        };
        controller.setFrameNumber = [record](int frame) {
            record("setFrameNumber " + std::to_string(frame));
        };
        controller.setPaused = [record](bool paused) {
            record(std::string("setPaused ") + (paused ? "true" : "false"));
        };
        controller.appendMessage = [record](std::string message) {
            record("appendMessage " + message);
        };
    }

    RudiVeruvStateGuard m_rudiVeruvState;
    std::vector<std::string> m_calls;
};

TEST_F(DebugFunctions, EachCallsItsCallableUnderTheControllersLock) {
    constexpr int kNoResult = -1;
    struct Case {
        const char* what;
        bool answer;  // what isPaused and isFastForwarding return
        std::function<int()> call;
        std::vector<std::string> calls;
        int result;
    };
    const Case cases[] = {
        {"AppendMessageAndPause", false,
         [] { AppendMessageAndPause("Unit lost"); return kNoResult; },
         {"appendMessage [Game] Unit lost", "setPaused true"}, kNoResult},
        {"AppendMessage", false, [] { AppendMessage("100% done %s"); return kNoResult; },
         {"appendMessage [Game] 100% done %s"}, kNoResult},
        {"AppendAIMessage", false, [] { AppendAIMessage("plan B"); return kNoResult; },
         {"appendMessage [AI] plan B"}, kNoResult},
        {"AppendMessage of an empty text", false, [] { AppendMessage(""); return kNoResult; },
         {"appendMessage [Game] "}, kNoResult},
        {"SetFrameNumber", false, [] { SetFrameNumber(886); return kNoResult; },
         {"setFrameNumber 886"}, kNoResult},
        {"CanAppContinue while paused", true, [] { return int{CanAppContinue()}; },
         {"isPaused"}, 0},
        {"CanAppContinue while running", false, [] { return int{CanAppContinue()}; },
         {"isPaused"}, 1},
        {"RunAppFast while fast", true, [] { return int{RunAppFast()}; },
         {"isFastForwarding"}, 1},
        {"RunAppFast while not fast", false, [] { return int{RunAppFast()}; },
         {"isFastForwarding"}, 0},
        {"ForceAppContinue", false, [] { ForceAppContinue(); return kNoResult; },
         {"setPaused false"}, kNoResult},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_calls.clear();
        installRecorders(c.answer);
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(m_calls, c.calls);
    }
}

TEST_F(DebugFunctions, EmptyCallablesMakeEveryFunctionANoOp) {
    {
        std::lock_guard lock(g_stateMutex);
        g_rudiVeruvd = true;
        g_logicFrame = 5;
    }
    const std::size_t lines = g_outputLog.size();
    const std::string lastLine = lines == 0 ? "" : g_outputLog.back().text;

    EXPECT_TRUE(CanAppContinue());
    EXPECT_FALSE(RunAppFast());
    AppendMessageAndPause("ignored");
    AppendMessage("ignored");
    AppendAIMessage("ignored");
    SetFrameNumber(15);
    ForceAppContinue();

    std::lock_guard lock(g_stateMutex);
    EXPECT_TRUE(g_rudiVeruvd);
    EXPECT_EQ(g_logicFrame, 5);
    EXPECT_EQ(g_outputLog.size(), lines);
    EXPECT_EQ(lines == 0 ? "" : g_outputLog.back().text, lastLine);
}

TEST_F(DebugFunctions, FrameNumberSetsGameTimeInSinglePrecision) {
    struct Case {
        int frame;
        const char* gameTime;
    };
    const Case cases[] = {
        {0, "0"},
        {15, "1"},
        {7, "0.46666666865348816"},  // a double quotient would be 0.46666666666666667
        {885, "59"},
        {886, "59.066665649414062"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        setFrameNumberCallback(c.frame);
        std::lock_guard lock(g_stateMutex);
        EXPECT_EQ(g_logicFrame, c.frame);
        EXPECT_EQ(allDigits(g_gameTime), c.gameTime);
    }
}

TEST_F(DebugFunctions, FastForwardStopsWithinASecondOfAPositiveTarget) {
    struct Case {
        float target;
        bool runFast;
        int frame;
        bool runFastAfter;
    };
    const Case cases[] = {
        {60.0f, true, 885, true},    // 59.0 s: exactly one second ahead
        {60.0f, true, 886, false},   // 59.066665649 s
        {60.0f, true, 1200, false},  // past the target
        {-1.0f, true, 1200, true},   // no target
        {0.0f, true, 1200, true},    // not above 0: no target either
        {60.0f, false, 886, false},  // reached while not fast-forwarding
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "target " << c.target << ", fast " << c.runFast
                                        << ", frame " << c.frame);
        {
            std::lock_guard lock(g_stateMutex);
            g_fastForwardTarget = c.target;
            g_runFast = c.runFast;
        }
        setFrameNumberCallback(c.frame);
        std::lock_guard lock(g_stateMutex);
        EXPECT_EQ(g_runFast.load(), c.runFastAfter);
        EXPECT_EQ(g_fastForwardTarget, c.target);
    }
}

// The shared controller installed for real, by start-up's own call, over Kernel32's
// GetProcAddress with the stand-in host's hook routine. The detour stays for the rest of the
// process; it passes every look-up that is not on the fake handle through unchanged, so the
// tests after it are not disturbed.
class DebugModuleHook : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SyntheticImage image;
        ASSERT_TRUE(image.valid());
        image.writeCode(kBuildA);
        s_getTickCount = GetProcAddress(GetModuleHandleW(L"Kernel32.dll"), "GetTickCount");
        initializeGameDebugModule(image.module(SyntheticImage::kCapacity),
                                  HostGame::installInlineHook);
        s_handleValue = image.handleValue(kBuildA);
    }

    // The game's messages reach the Output log through the overlay's edges, as after start-up.
    void SetUp() override { g_timePauseEdges = timePauseOverlayEdges(); }

    static bool countingHook(void**, void*) {
        ++s_hookCalls;
        return true;
    }

    static inline FARPROC s_getTickCount = nullptr;
    static inline uint32_t s_handleValue = 0;
    static inline int s_hookCalls = 0;

    RudiVeruvController& m_controller = RudiVeruvController::instance();
    const HMODULE m_fake = reinterpret_cast<HMODULE>(&m_controller);
    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
};

using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);
using TextFunction = void(__cdecl*)(const char*);
using AnswerFunction = bool(__cdecl*)();
using ActionFunction = void(__cdecl*)();

TEST_F(DebugModuleHook, NamesOnTheFakeHandleMatchExactly) {
    ASSERT_TRUE(m_controller.installed);
    EXPECT_EQ(s_handleValue, addressOf(&m_controller));
    for (const auto& [name, function] : kDebugFunctions) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetProcAddress(m_fake, name), function);
    }
    // Matches are case-sensitive and exact in length; other names are unknown.
    for (const char* miss : {"runappfast", "RunAppFas", "RunAppFastX", "", "GetTickCount"}) {
        SCOPED_TRACE(miss);
        EXPECT_EQ(GetProcAddress(m_fake, miss), nullptr);
    }
    EXPECT_EQ(GetProcAddress(m_fake, MAKEINTRESOURCEA(1)), nullptr);  // never read as a text
}

TEST_F(DebugModuleHook, OtherModulesGoThroughUnchanged) {
    const HMODULE kernel32 = GetModuleHandleW(L"Kernel32.dll");
    ASSERT_NE(s_getTickCount, nullptr);
    EXPECT_EQ(GetProcAddress(kernel32, "GetTickCount"), s_getTickCount);
    EXPECT_EQ(GetProcAddress(kernel32, "RunAppFast"), nullptr);
    const auto original = reinterpret_cast<GetProcAddressFunction>(g_originalGetProcAddress);
    EXPECT_EQ(original(kernel32, "GetTickCount"), s_getTickCount);
    EXPECT_EQ(original(m_fake, "RunAppFast"), nullptr);  // the real function knows no such module
}

TEST_F(DebugModuleHook, ASecondInstallDoesNothing) {
    SyntheticImage other;
    ASSERT_TRUE(other.valid());
    other.writeCode(kBuildB);
    m_controller.install(other.module(SyntheticImage::kCapacity), countingHook);
    EXPECT_EQ(s_hookCalls, 0);
    EXPECT_EQ(other.handleValue(kBuildB), 0u);
    EXPECT_EQ(GetProcAddress(m_fake, "RunAppFast"), asFarproc(RunAppFast));
}

TEST_F(DebugModuleHook, AGameMessagePausesUntilTheGameOrTheOverlayResumes) {
    const auto appendMessageAndPause =
        reinterpret_cast<TextFunction>(GetProcAddress(m_fake, "AppendMessageAndPause"));
    const auto appendAIMessage =
        reinterpret_cast<TextFunction>(GetProcAddress(m_fake, "AppendAIMessage"));
    const auto canAppContinue =
        reinterpret_cast<AnswerFunction>(GetProcAddress(m_fake, "CanAppContinue"));
    const auto forceAppContinue =
        reinterpret_cast<ActionFunction>(GetProcAddress(m_fake, "ForceAppContinue"));
    ASSERT_TRUE(appendMessageAndPause && appendAIMessage && canAppContinue && forceAppContinue);
    const auto lastLine = [] {
        std::lock_guard lock(g_stateMutex);
        return g_outputLog.back();
    };
    const auto isYellow = [](const OutputLogEntry& entry) {
        return entry.color && entry.color->x == 1.0f && entry.color->y == 1.0f &&
               entry.color->z == 0.0f && entry.color->w == 1.0f;
    };
    g_rudiVeruvd = false;

    appendMessageAndPause("Assertion failed: 50% of %s");
    EXPECT_EQ(lastLine().text, "[Game] Assertion failed: 50% of %s");
    EXPECT_TRUE(isYellow(lastLine()));
    EXPECT_TRUE(g_rudiVeruvd);
    EXPECT_FALSE(canAppContinue());
    EXPECT_FALSE(canAppContinue());
    forceAppContinue();
    EXPECT_TRUE(canAppContinue());

    appendAIMessage("retreat");
    EXPECT_EQ(lastLine().text, "[AI] retreat");
    EXPECT_TRUE(isYellow(lastLine()));
    EXPECT_TRUE(canAppContinue());

    appendMessageAndPause("again");
    EXPECT_FALSE(canAppContinue());
    g_rudiVeruvd = false;  // the overlay resumes
    EXPECT_TRUE(canAppContinue());
}

TEST_F(DebugModuleHook, ReportedFramesMoveGameTimeAndEndFastForward) {
    const auto setFrameNumber =
        reinterpret_cast<void(__cdecl*)(int)>(GetProcAddress(m_fake, "SetFrameNumber"));
    const auto runAppFast = reinterpret_cast<AnswerFunction>(GetProcAddress(m_fake, "RunAppFast"));
    ASSERT_TRUE(setFrameNumber && runAppFast);
    {
        std::lock_guard lock(g_stateMutex);
        g_fastForwardTarget = 60.0f;
    }
    g_runFast = true;

    EXPECT_TRUE(runAppFast());
    setFrameNumber(885);
    EXPECT_TRUE(runAppFast());
    setFrameNumber(886);
    EXPECT_FALSE(runAppFast());
    std::lock_guard lock(g_stateMutex);
    EXPECT_EQ(g_logicFrame, 886);
    EXPECT_EQ(allDigits(g_gameTime), "59.066665649414062");
}

}  // namespace
