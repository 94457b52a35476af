#include "hostgame/scenarios/patch_scenarios.h"

#include "bridge/pointers_cache.h"
#include "hostgame/game/game_patch_sites.h"
#include "hostgame/loader/plugin_cache.h"
#include "hostgame/loader/plugin_loader.h"
#include "hostgame/loader/scan_watch.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace HostGame {

namespace {

using Tovek::KV9Lua::PointersCache;

uintptr_t address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

template <typename F>
uintptr_t functionAddress(F* function) {
    return reinterpret_cast<uintptr_t>(function);
}

PointersCache readCache(const std::filesystem::path& dll) { return readCacheFile(cacheFileOf(dll)); }

// Every check returns the limit, and runs its calls on the way.
void checkLimits(ScenarioChecks& checks, float limit, const std::string& when) {
    const uint32_t assertsBefore = g_cameraAssertCalls;
    bool all = true;
    for (const CameraRangeCheckSite& site : kCameraRangeCheckSites) all &= site.check() == limit;
    checks.check(all, "the four checks return " + std::to_string(static_cast<int>(limit)) + " " +
                          when);
    checks.check(g_cameraAssertCalls == assertsBefore + 4, "each check reached its assertion");
}

// Each check's operand (4 bytes into its first instruction) leads into the loaded plug-in.
void checkOperandsInPlugin(ScenarioChecks& checks, const std::filesystem::path& dll) {
    const HMODULE plugin = GetModuleHandleW(dll.wstring().c_str());
    bool all = plugin != nullptr;
    for (const CameraRangeCheckSite& site : kCameraRangeCheckSites) {
        uint32_t operand;
        std::memcpy(&operand, reinterpret_cast<const void*>(functionAddress(site.check) + 4),
                    sizeof operand);
        HMODULE owner = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(operand)), &owner);
        all &= owner == plugin;
    }
    checks.check(all, "each check's operand points into the plug-in");
}

// Ids 3 to 11 hold the stand-in's push, texts and checks.
void checkPatchIds(ScenarioChecks& checks, const PointersCache& cache) {
    checks.check(cache.find(3) == functionAddress(host_report_missing_player),
                 "id 3 is the push of the missing-player text");
    bool texts = true;
    bool checkers = true;
    for (uint32_t i = 0; i < 4; ++i) {
        texts &= cache.find(4 + i) == address(kCameraRangeCheckSites[i].text);
        checkers &= cache.find(8 + i) == functionAddress(kCameraRangeCheckSites[i].check);
    }
    checks.check(texts, "ids 4 to 7 are the four assertion texts, in order");
    checks.check(checkers, "ids 8 to 11 are the four checks, in address order");
}

int coldStart(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("patch_cold_start");
    checkLimits(checks, 10000.0f, "before the start-up");
    const auto [run, searched] = runPluginWatched(dll, kMinimalCustomData);
    checks.check(searched, "a cold start-up searches the whole module");
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.checkLog(run.log, kStartupLog);
    checkLimits(checks, 25000.0f, "after it");
    checkOperandsInPlugin(checks, dll);
    checkPatchIds(checks, readCache(dll));
    return checks.exitCode();
}

int warmStart(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("patch_warm_start");
    checks.check(runStartupInNewProcess(dll) == 0, "a first process made the cold start-up");
    const auto coldEntries = readCache(dll).entries();
    const auto [run, searched] = runPluginWatched(dll, kMinimalCustomData);
    checks.check(!searched, "a warm start-up searches nothing in the module");
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.checkLog(run.log, kStartupLog);
    checkLimits(checks, 25000.0f, "after it");
    checkOperandsInPlugin(checks, dll);
    const PointersCache cache = readCache(dll);
    checkPatchIds(checks, cache);
    checks.check(cache.entries() == coldEntries, "the cache keeps the cold start-up's entries");
    return checks.exitCode();
}

// As after an update of the game: a byte near the checks differs from the cached code.
int changedCode(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("patch_changed_code");
    checks.check(runStartupInNewProcess(dll) == 0, "a first process made the cold start-up");
    DWORD old;
    VirtualProtect(host_camera_checks_padding, 1, PAGE_EXECUTE_READWRITE, &old);
    host_camera_checks_padding[0] = 0x90;
    const auto [run, searched] = runPluginWatched(dll, kMinimalCustomData);
    checks.check(searched, "the changed code made the start-up search again");
    checks.check(run.result, "tovek_plugin_init returned true");
    checks.checkLog(run.log, kStartupLog);
    checkLimits(checks, 25000.0f, "after it");
    checkPatchIds(checks, readCache(dll));
    return checks.exitCode();
}

// The stand-alone script bridge widens the range itself: no game byte changes.
int orrinLoaded(ScenarioChecks& checks) {
    checks.check(LoadLibraryW((programFolder() / "orrin" / "Orrin.dll").wstring().c_str()) !=
                     nullptr,
                 "Orrin.dll is loaded");
    const auto dll = freshPluginCopy("patch_orrin_loaded");
    const auto* first = reinterpret_cast<const uint8_t*>(
        functionAddress(kCameraRangeCheckSites[0].check));
    const uint8_t* last = host_camera_checks_padding;
    const std::vector<uint8_t> before(first, last);
    const auto run = runPlugin(dll, kMinimalCustomData);
    checks.check(run.result, "tovek_plugin_init returned true");
    std::vector<std::string> expectedLog = kStartupLog;
    std::erase(expectedLog, "Extending range limits");
    checks.checkLog(run.log, expectedLog);
    checks.check(std::equal(before.begin(), before.end(), first), "no byte of the checks changed");
    checkLimits(checks, 10000.0f, "still");
    const PointersCache cache = readCache(dll);
    checks.check(cache.find(3) == functionAddress(host_report_missing_player),
                 "the this-player push was still found");
    bool none = true;
    for (uint32_t id = 4; id <= 11; ++id) none &= cache.find(id) == 0;
    checks.check(none, "no range-limit id was cached");
    return checks.exitCode();
}

}  // namespace

const std::vector<Scenario>& patchScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"patch_cold_start", coldStart},
        {"patch_warm_start", warmStart},
        {"patch_changed_code", changedCode},
        {"patch_orrin_loaded", orrinLoaded},
    };
    return scenarios;
}

}  // namespace HostGame
