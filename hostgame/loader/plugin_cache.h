#pragma once

// Reading, in the game's own process, the cache file a start-up of the plug-in wrote.

#include "bridge/pointers_cache.h"

#include <nlohmann/json.hpp>

#include <filesystem>

namespace HostGame {

// Points the camera's range checks back at the game's own limit. The plug-in's range patch
// changes bytes inside the checks' cached windows, so a cache read in the same process after a
// start-up would otherwise find them stale.
void restoreGameRangeLimit();

// The cache file's JSON, read after restoring the range checks.
nlohmann::json readCacheFileJson(const std::filesystem::path& file);
// The cache file, read with the plug-in's own reader.
Tovek::KV9Lua::PointersCache readCacheFile(const std::filesystem::path& file);

}  // namespace HostGame
