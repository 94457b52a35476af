#include "hostgame/demo/demo.h"

#include "bridge/kv9_lua.h"
#include "bridge/pointers_cache.h"
#include "hostgame/loader/api_fields.h"
#include "hostgame/demo/demo_session.h"
#include "hostgame/demo/demo_time_pause.h"
#include "hostgame/game/game_debug_module.h"
#include "hostgame/game/game_device.h"
#include "hostgame/game/game_fonts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/loader/plugin_cache.h"
#include "hostgame/loader/plugin_loader.h"
#include "hostgame/scenarios/scenario_checks.h"
#include "hostgame/scenarios/startup_scenarios.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace HostGame {

namespace {

// The plug-in's Output log is also written to outputLogFile.
std::string demoCustomData(const std::filesystem::path& outputLogFile) {
    const nlohmann::json rudiVeruv = {
        {"name", "KV9RudiVeruvPlugin"},
        {"customData",
         {{"hotkey", "p"}, {"hotkey_for_pause", "o"},
          {"outputLogFile", outputLogFile.generic_string()}}}};
    return nlohmann::json{{"isTarnveil", false},
                          {"luaPluginData", {rudiVeruv}},
                          {"defines", {{"DEMO_NAME", "Vellox"}, {"DEMO_SPEED", 1.5}}}}
        .dump();
}

// The cache file the start-up wrote, and the Lua API the plug-in's locator gives with it in
// this game.
void printFindings(const std::filesystem::path& file) {
    if (!std::filesystem::exists(file)) {
        std::printf("no cache file at %s\n", file.string().c_str());
        return;
    }
    auto cache = readCacheFile(file);
    std::printf("cache file %s holds %u entries\n", file.string().c_str(),
                static_cast<unsigned>(cache.entries().size()));
    const auto api = Tovek::KV9Lua::KV9Lua::initialize(cache);
    std::printf("the game's Lua API as the start-up locates it:\n");
    for (const ApiField& field : standInApiFields(api)) {
        std::printf("  %-14s 0x%08X  %s\n", field.name, static_cast<unsigned>(field.found),
                    field.found == field.expected ? "the stand-in game's own" : "WRONG");
    }
}

}  // namespace

int runDemo() {
    // The game as it runs when the loader starts plug-ins: build A's code, its device in the
    // holder, the logic loop going, and the system's fonts with a Chinese one.
    useSystemFonts(SystemFonts::MonospaceAndChinese);
    const DebugModuleCallSite callSite = placeDebugModuleCallSite(DebugModuleBuild::A);
    GameDevice device;
    const DeviceHolder holder(DeviceHolderBuild::A, device.device());
    GameLogicLoop loop(callSite, std::chrono::milliseconds(10));

    const auto dll = programFolder() / "Vellox.dll";
    const auto outputLogFile = programFolder() / "Vellox.output_log.txt";
    const std::string customData = demoCustomData(outputLogFile);
    std::printf("host: loading %s\n", dll.string().c_str());
    std::printf("host: custom data %s\n", customData.c_str());
    const PluginRun run = runPlugin(dll, customData.c_str(), {.echo = true});
    if (!run.loaded) {
        std::printf("host: could not load the plug-in\n");
        return 1;
    }
    std::printf("host: tovek_plugin_init returned %s\n", run.result ? "true" : "false");
    if (run.result) showCameraRangeChecks();
    printFindings(std::filesystem::path(dll).replace_extension(".dll.cache"));
    if (!run.result) return 1;
    runDemoScriptSession();
    const auto frames = programFolder().parent_path() / "demo-frames";
    runDemoTimePauseSession(loop, device, outputLogFile, frames);
    std::printf("host: the frames the player saw are in %s\n", frames.string().c_str());
    return 0;
}

int runTimedStartup(const wchar_t* dll) {
    // As in the game, the device exists before the loader starts plug-ins.
    placeDebugModuleCallSite(DebugModuleBuild::A);
    GameDevice device;
    const DeviceHolder holder(DeviceHolderBuild::A, device.device());
    const PluginRun run = runPlugin(dll, kMinimalCustomData);
    std::printf("startup_ms: %.3f\n", run.initMs);
    return run.result ? 0 : 1;
}

}  // namespace HostGame
