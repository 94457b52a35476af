#include "hostgame/scenarios/logic_scenarios.h"

#include "bridge/code_scan.h"
#include "hostgame/game/game_debug_module.h"
#include "hostgame/loader/plugin_loader.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>

extern "C" uint8_t g_gameDataArea[];

namespace HostGame {

namespace {

using namespace std::chrono_literals;

// The game's data area (game_image_size.S), where the call sites are written.
constexpr uint32_t kGameDataAreaSize = 0x920000;
// Short ticks keep the scenarios quick; the rules do not depend on the period.
constexpr std::chrono::milliseconds kTick = 2ms;
// Ticks watched to tell how the loop goes.
constexpr uint64_t kWatchedTicks = 8;

template <typename T>
uint32_t addressOf(T* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

HMODULE moduleAt(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCWSTR>(address), &module);
    return module;
}

HMODULE& handleGlobalOf(DebugModuleBuild build) {
    auto* const image = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
    return *reinterpret_cast<HMODULE*>(image +
                                       debugModuleCallSiteLayout(build).globalOffset);
}

bool inGameDataArea(uint32_t address, uint32_t length) {
    const uint32_t area = addressOf(g_gameDataArea);
    return address >= area && address + length <= area + kGameDataAreaSize;
}

// The image passes the plug-in's size and range tests for the build, and the code's own address
// of the handle global is where the global lies.
void checkCallSite(ScenarioChecks& checks, DebugModuleBuild build,
                   const DebugModuleCallSite& site) {
    const KnownBuildCode& layout = debugModuleCallSiteLayout(build);
    const Tovek::KV9Lua::TheGameModule image = Tovek::KV9Lua::getMainModuleRange();
    const uint32_t global = addressOf(site.handleGlobal);
    const uint32_t code = addressOf(site.code);
    checks.check(image.begin == 0x400000 && image.size > layout.globalOffset &&
                     global + sizeof(HMODULE) <= image.end &&
                     code + layout.code.size() <= image.end,
                 "the image at " + hex(image.begin) + " of size " + hex(image.size) +
                     " is above " + hex(layout.globalOffset) +
                     " and holds the handle global and the code");
    checks.check(global == image.begin + layout.globalOffset &&
                     code == image.begin + layout.codeOffset &&
                     inGameDataArea(global, sizeof(HMODULE)) &&
                     inGameDataArea(code, layout.code.size()),
                 "the handle global at " + hex(global) + " and the code at " + hex(code) +
                     " lie in the game's data area");
    uint32_t operand = 0;
    std::memcpy(&operand, site.code + 2, sizeof operand);
    checks.check(operand == global, "the code loads the handle global from " + hex(operand));
    MEMORY_BASIC_INFORMATION page{};
    const bool queried = VirtualQuery(site.code, &page, sizeof page) == sizeof page;
    constexpr DWORD kExecutable =
        PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    checks.check(queried && (page.Protect & kExecutable) != 0,
                 "the code's page is executable (protection " + hex(page.Protect) + ")");
}

// The loop's seven look-ups went through the call site's code, since the scenario began.
void checkLookUpsRan(ScenarioChecks& checks, uint32_t runsBefore) {
    const uint32_t runs = debugCallSiteRuns() - runsBefore;
    checks.check(runs == 7, "the seven look-ups ran the call site's code, " +
                                std::to_string(runs) + " times");
}

std::string customDataWithOutputLog(const std::filesystem::path& outputLog) {
    const std::u8string path = outputLog.u8string();
    nlohmann::json plugin = {{"name", "KV9RudiVeruvPlugin"},
                             {"customData",
                              {{"outputLogFile", std::string(path.begin(), path.end())}}}};
    nlohmann::json customData = {{"cache", nullptr},
                                  {"luaPluginData", nlohmann::json::array({plugin})}};
    return customData.dump();
}

struct StartedPlugin {
    std::filesystem::path dll;
    std::filesystem::path outputLog;  // receives every Output log line
};

// The whole start-up, with the Output log going to a file of the scenario's folder.
StartedPlugin startPlugin(ScenarioChecks& checks, const std::string& scenario) {
    StartedPlugin started{freshPluginCopy(scenario), {}};
    started.outputLog = started.dll.parent_path() / "output.log";
    const std::string customData = customDataWithOutputLog(started.outputLog);
    const PluginRun run = runPlugin(started.dll, customData.c_str());
    checks.check(run.loaded && run.result, "tovek_plugin_init returned true");
    checks.checkLog(run.log, kStartupLog);
    return started;
}

enum class Pace { Held, OneFrame, Fast };

std::string describeTicks(uint64_t ticks, int64_t frames, uint64_t held, uint64_t fast) {
    return std::to_string(ticks) + " ticks: " + std::to_string(frames) + " frames, " +
           std::to_string(held) + " held, " + std::to_string(fast) + " fast";
}

// Watches the loop for a few ticks, from the first tick that began after whatever the scenario
// just changed, and checks how many frames each ran.
void checkPace(ScenarioChecks& checks, GameLogicLoop& loop, Pace pace, const std::string& what) {
    // The tick under way may have begun before the change; the one after it did not.
    bool ticked = loop.waitForTicks(2);
    const GameLogicStatus before = loop.status();
    ticked = ticked && loop.waitForTicks(kWatchedTicks);
    const GameLogicStatus after = loop.status();
    const uint64_t ticks = after.ticks - before.ticks;
    const std::string actual =
        describeTicks(ticks, after.frame - before.frame, after.heldTicks - before.heldTicks,
                      after.fastTicks - before.fastTicks);
    const int framesPerTick =
        pace == Pace::Held ? 0 : pace == Pace::Fast ? kFastFramesPerTick : 1;
    const std::string expected =
        describeTicks(ticks, static_cast<int64_t>(ticks) * framesPerTick,
                      pace == Pace::Held ? ticks : 0, pace == Pace::Fast ? ticks : 0);
    checks.check(ticked && actual == expected,
                 what + ": " + expected + (actual == expected ? "" : ", not " + actual));
}

void checkCall(ScenarioChecks& checks, GameLogicLoop& loop, GameDebugCall call,
               const std::string& text, const std::string& name) {
    checks.check(loop.call(call, text), "the game thread made its call of " + name);
}

// Build A's call site with the loop already running: the start-up hands the game its debug
// module, which then pauses and resumes the logic and receives the game's messages.
int pauseAndMessages(ScenarioChecks& checks) {
    const DebugModuleCallSite site = placeDebugModuleCallSite(DebugModuleBuild::A);
    checkCallSite(checks, DebugModuleBuild::A, site);
    const uint32_t runsBefore = debugCallSiteRuns();
    GameLogicLoop loop(site, kTick);
    checkPace(checks, loop, Pace::OneFrame, "before the start-up the logic runs on its own");
    checks.check(!loop.status().debugModule, "no debug module yet");

    const StartedPlugin plugin = startPlugin(checks, "logic_pause_and_messages");
    checkPace(checks, loop, Pace::OneFrame, "with the debug module, RunAppFast answers false");
    checks.check(loop.status().debugModule,
                 "the loop read the handle the start-up wrote and looked its functions up");
    checkLookUpsRan(checks, runsBefore);

    const std::string pauseText = "Gate 3 lost: 50% of %s";
    checkCall(checks, loop, GameDebugCall::AppendMessageAndPause, pauseText,
              "\"AppendMessageAndPause\"");
    checkPace(checks, loop, Pace::Held, "paused by the game, CanAppContinue holds the logic");
    const std::string message = "Hjördís built a longhouse";
    checkCall(checks, loop, GameDebugCall::AppendMessage, message, "\"AppendMessage\"");
    checkPace(checks, loop, Pace::Held, "a message does not resume the logic");
    checkCall(checks, loop, GameDebugCall::ForceAppContinue, "", "\"ForceAppContinue\"");
    checkPace(checks, loop, Pace::OneFrame, "\"ForceAppContinue\" resumes the frames");
    const std::string aiMessage = "retreat to the ships";
    checkCall(checks, loop, GameDebugCall::AppendAIMessage, aiMessage, "\"AppendAIMessage\"");
    checkPace(checks, loop, Pace::OneFrame, "an AI message does not pause");

    // Their colour, yellow, is the Output log's own (OutputLog and DebugModuleHook unit tests).
    checkOutputLog(checks, plugin.outputLog,
                   {"[Game] " + pauseText, "[Game] " + message, "[AI] " + aiMessage});
    return checks.exitCode();
}

// Build B's call site gets the debug module as well; build A's handle global stays untouched.
int buildB(ScenarioChecks& checks) {
    const DebugModuleCallSite site = placeDebugModuleCallSite(DebugModuleBuild::B);
    checkCallSite(checks, DebugModuleBuild::B, site);
    const StartedPlugin plugin = startPlugin(checks, "logic_build_b");
    checks.check(*site.handleGlobal != nullptr && handleGlobalOf(DebugModuleBuild::A) == nullptr,
                 "the start-up wrote build B's handle global only");

    const uint32_t runsBefore = debugCallSiteRuns();
    GameLogicLoop loop(site, kTick);
    checkPace(checks, loop, Pace::OneFrame, "the logic runs");
    checks.check(loop.status().debugModule, "the loop found the debug module");
    checkLookUpsRan(checks, runsBefore);
    checkCall(checks, loop, GameDebugCall::AppendMessageAndPause, "Build B",
              "\"AppendMessageAndPause\"");
    checkPace(checks, loop, Pace::Held, "paused by the game, the logic holds");
    checkCall(checks, loop, GameDebugCall::ForceAppContinue, "", "\"ForceAppContinue\"");
    checkPace(checks, loop, Pace::OneFrame, "resumed by the game, the frames go on");
    checkOutputLog(checks, plugin.outputLog, {"[Game] Build B"});
    return checks.exitCode();
}

// One byte of build A's code differs (the import slot's): no known build, so no debug module,
// and the game goes on alone.
int unknownBuild(ScenarioChecks& checks) {
    const DebugModuleCallSite site = placeDebugModuleCallSite(DebugModuleBuild::A);
    checkCallSite(checks, DebugModuleBuild::A, site);
    site.code[31] ^= 0x01;
    const StartedPlugin plugin = startPlugin(checks, "logic_unknown_build");
    checks.check(*site.handleGlobal == nullptr && handleGlobalOf(DebugModuleBuild::B) == nullptr,
                 "both builds' handle globals stay null");

    GameLogicLoop loop(site, kTick);
    checkPace(checks, loop, Pace::OneFrame, "the logic runs on its own");
    checks.check(!loop.status().debugModule, "the loop has no debug module");
    checkCall(checks, loop, GameDebugCall::AppendMessageAndPause, "nobody listens",
              "\"AppendMessageAndPause\", with no function to call");
    checkPace(checks, loop, Pace::OneFrame, "nothing pauses the logic");
    checks.check(std::filesystem::exists(plugin.outputLog), "the Output log file was created");
    checkOutputLog(checks, plugin.outputLog, {});
    return checks.exitCode();
}

// The seven names on the fake handle, called straight from the game's main thread.
int debugLookUps(ScenarioChecks& checks) {
    const DebugModuleCallSite site = placeDebugModuleCallSite(DebugModuleBuild::A);
    const HMODULE kernel32 = GetModuleHandleW(L"Kernel32.dll");
    const FARPROC getTickCount = GetProcAddress(kernel32, "GetTickCount");
    const StartedPlugin plugin = startPlugin(checks, "logic_debug_look_ups");
    const HMODULE vellox = GetModuleHandleW(plugin.dll.wstring().c_str());
    const HMODULE handle = *site.handleGlobal;
    checks.check(handle != nullptr && moduleAt(handle) == vellox,
                 "the handle global holds an address inside Vellox.dll");

    const DebugModuleFunctions f = lookUpDebugFunctions(handle, &GetProcAddress);
    const std::pair<const char*, const void*> found[] = {
        {"AppendMessageAndPause", reinterpret_cast<const void*>(f.appendMessageAndPause)},
        {"AppendMessage", reinterpret_cast<const void*>(f.appendMessage)},
        {"AppendAIMessage", reinterpret_cast<const void*>(f.appendAIMessage)},
        {"SetFrameNumber", reinterpret_cast<const void*>(f.setFrameNumber)},
        {"CanAppContinue", reinterpret_cast<const void*>(f.canAppContinue)},
        {"RunAppFast", reinterpret_cast<const void*>(f.runAppFast)},
        {"ForceAppContinue", reinterpret_cast<const void*>(f.forceAppContinue)},
    };
    std::set<const void*> distinct;
    for (const auto& [name, function] : found) {
        checks.check(function != nullptr && moduleAt(function) == vellox,
                     std::string(name) + " is a function of Vellox.dll");
        distinct.insert(function);
    }
    checks.check(distinct.size() == 7, "the seven are different functions");
    if (distinct.count(nullptr) != 0) return checks.exitCode();

    checks.check(f.canAppContinue() && !f.runAppFast(),
                 "CanAppContinue answers true and RunAppFast false");
    f.setFrameNumber(15);  // game time is the plug-in's own: DebugFunctions unit tests
    f.appendMessageAndPause("Paused by the game");
    checks.check(!f.canAppContinue(), "after AppendMessageAndPause, CanAppContinue answers false");
    f.forceAppContinue();
    checks.check(f.canAppContinue(), "after ForceAppContinue, CanAppContinue answers true");
    f.appendMessage("A message");
    f.appendAIMessage("An AI message");
    checkOutputLog(checks, plugin.outputLog,
                   {"[Game] Paused by the game", "[Game] A message", "[AI] An AI message"});

    for (const std::string unknown :
         {"runappfast", "RunAppFas", "RunAppFastX", "", "GetTickCount"}) {
        checks.check(GetProcAddress(handle, unknown.c_str()) == nullptr,
                     "\"" + unknown + "\" on the fake handle gives NULL");
    }
    checks.check(GetProcAddress(handle, MAKEINTRESOURCEA(1)) == nullptr,
                 "ordinal 1 on the fake handle gives NULL");
    checks.check(GetProcAddress(kernel32, "GetTickCount") == getTickCount,
                 "a look-up in another module goes through unchanged");
    return checks.exitCode();
}

// A debug module of the scenario's own, for the loop's rules alone: the scenario sets its
// answers, and it records every frame reported to it. It knows three of the seven names.
namespace OwnModule {

std::atomic<bool> g_paused{false};
std::atomic<bool> g_fast{false};
std::mutex g_framesMutex;
std::vector<int> g_frames;
int g_moduleObject;  // its address is the handle

HMODULE handle() { return reinterpret_cast<HMODULE>(&g_moduleObject); }

bool __cdecl canAppContinue() { return !g_paused; }
bool __cdecl runAppFast() { return g_fast; }
void __cdecl setFrameNumber(int frame) {
    std::lock_guard lock(g_framesMutex);
    g_frames.push_back(frame);
}

FARPROC WINAPI lookUp(HMODULE module, LPCSTR name) {
    const std::pair<const char*, void*> exports[] = {
        {"CanAppContinue", reinterpret_cast<void*>(canAppContinue)},
        {"RunAppFast", reinterpret_cast<void*>(runAppFast)},
        {"SetFrameNumber", reinterpret_cast<void*>(setFrameNumber)},
    };
    if (module != handle()) return nullptr;
    for (const auto& [exported, function] : exports) {
        if (std::strcmp(name, exported) == 0) return reinterpret_cast<FARPROC>(function);
    }
    return nullptr;
}

// Every frame from the first reported one to `last`, once each and in order.
bool reportedEachFrameUpTo(int last) {
    std::lock_guard lock(g_framesMutex);
    if (g_frames.empty() || g_frames.back() != last) return false;
    for (std::size_t i = 1; i < g_frames.size(); ++i) {
        if (g_frames[i] != g_frames[i - 1] + 1) return false;
    }
    return true;
}

std::size_t reportedFrames() {
    std::lock_guard lock(g_framesMutex);
    return g_frames.size();
}

}  // namespace OwnModule

int loopRules(ScenarioChecks& checks) {
    const DebugModuleCallSite site = placeDebugModuleCallSite(DebugModuleBuild::A);
    HMODULE& handleGlobal = *site.handleGlobal;
    GameLogicLoop loop(site, kTick, OwnModule::lookUp);
    checkPace(checks, loop, Pace::OneFrame, "without a debug module, one frame a tick");
    checks.check(!loop.status().debugModule && OwnModule::reportedFrames() == 0,
                 "no module, no frame reported");

    std::atomic_ref(handleGlobal).store(OwnModule::handle());
    checkPace(checks, loop, Pace::OneFrame, "with a module that lets it go on");
    checks.check(loop.status().debugModule, "the loop took up the module once the handle was set");
    OwnModule::g_paused = true;
    checkPace(checks, loop, Pace::Held, "CanAppContinue false holds every frame");
    OwnModule::g_paused = false;
    OwnModule::g_fast = true;
    checkPace(checks, loop, Pace::Fast, "RunAppFast true runs several frames a tick");
    OwnModule::g_paused = true;
    checkPace(checks, loop, Pace::Held, "CanAppContinue false holds even while RunAppFast is true");
    const GameLogicStatus held = loop.status();
    checks.check(held.frame > 1 && OwnModule::reportedEachFrameUpTo(held.frame),
                 "SetFrameNumber got every frame up to " + std::to_string(held.frame) +
                     ", once each and in order");

    std::atomic_ref(handleGlobal).store(nullptr);
    checkPace(checks, loop, Pace::OneFrame, "once the handle is null again, the loop runs alone");
    checks.check(!loop.status().debugModule && OwnModule::reportedEachFrameUpTo(held.frame),
                 "and reports no frame");
    return checks.exitCode();
}

}  // namespace

const std::vector<Scenario>& logicScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"logic_pause_and_messages", pauseAndMessages},
        {"logic_build_b", buildB},
        {"logic_unknown_build", unknownBuild},
        {"logic_debug_look_ups", debugLookUps},
        {"logic_loop_rules", loopRules},
    };
    return scenarios;
}

}  // namespace HostGame
