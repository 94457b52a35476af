#include "hostgame/demo.h"

#include "bridge/pointers_cache.h"
#include "hostgame/game_symbols.h"
#include "hostgame/plugin_loader.h"
#include "hostgame/scenario_checks.h"

#include <nlohmann/json.hpp>

#include <windows.h>

#include <cstdio>
#include <fstream>

namespace HostGame {

namespace {

constexpr const char* kDemoCustomData =
    R"({"isTarnveil": false, "defines": {"DEMO_NAME": "Vellox", "DEMO_SPEED": 1.5}})";

void printCacheFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        std::printf("no cache file at %s\n", file.string().c_str());
        return;
    }
    const auto cache = Tovek::KV9Lua::PointersCache::fromJson(nlohmann::json::parse(in));
    std::printf("cache file %s holds %u entries\n", file.string().c_str(),
                static_cast<unsigned>(cache.entries().size()));
    const struct {
        uint32_t id;
        const char* what;
        uintptr_t expected;
    } known[] = {
        {0, "the game's base-library array", reinterpret_cast<uintptr_t>(g_baseLibArray)},
        {1, "lua_pushcclosure", reinterpret_cast<uintptr_t>(&lua_pushcclosure)},
    };
    for (const auto& entry : known) {
        const uintptr_t found = cache.find(entry.id);
        std::printf("  id %u: %s at 0x%08X (%s)\n", entry.id, entry.what,
                    static_cast<unsigned>(found),
                    found == entry.expected ? "the stand-in game's own" : "WRONG");
    }
}

}  // namespace

int runDemo() {
    const auto dll = programFolder() / "Vellox.dll";
    std::printf("host: loading %s\n", dll.string().c_str());
    std::printf("host: custom data %s\n", kDemoCustomData);
    const PluginRun run = runPlugin(dll, kDemoCustomData, true);
    if (!run.loaded) {
        std::printf("host: could not load the plug-in\n");
        return 1;
    }
    std::printf("host: tovek_plugin_init returned %s\n", run.result ? "true" : "false");
    printCacheFile(std::filesystem::path(dll).replace_extension(".dll.cache"));
    return run.result ? 0 : 1;
}

int runTimedStartup(const wchar_t* dll) {
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    const PluginRun run = runPlugin(dll, "{}");
    QueryPerformanceCounter(&end);
    std::printf("startup_ms: %.3f\n",
                1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                    static_cast<double>(frequency.QuadPart));
    return run.result ? 0 : 1;
}

}  // namespace HostGame
