#include "hostgame/loader/plugin_cache.h"

#include "hostgame/game/game_patch_sites.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>

namespace HostGame {

void restoreGameRangeLimit() {
    const auto limit = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&g_cameraRangeLimit));
    for (const CameraRangeCheckSite& site : kCameraRangeCheckSites) {
        auto* operand = reinterpret_cast<uint8_t*>(site.check) + 4;
        DWORD old;
        VirtualProtect(operand, sizeof limit, PAGE_EXECUTE_READWRITE, &old);
        std::memcpy(operand, &limit, sizeof limit);
    }
    FlushInstructionCache(GetCurrentProcess(), nullptr, 0);
}

nlohmann::json readCacheFileJson(const std::filesystem::path& file) {
    restoreGameRangeLimit();
    std::ifstream in(file, std::ios::binary);
    return nlohmann::json::parse(in);
}

Tovek::KV9Lua::PointersCache readCacheFile(const std::filesystem::path& file) {
    return Tovek::KV9Lua::PointersCache::fromJson(readCacheFileJson(file));
}

}  // namespace HostGame
