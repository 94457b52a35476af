#pragma once

// Where the pointers cache file lives, and its loading and saving.

#include "bridge/pointers_cache.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <variant>

namespace Tovek::KV9Lua {

struct NoCacheFile {};
struct DefaultCacheFile {};

// Where the pointers cache lives, from the configuration's "cache" key, in alternative order:
// no file, the default file, a configured path, an inline value (loading only).
using CacheLocation = std::variant<NoCacheFile, DefaultCacheFile, std::filesystem::path, nlohmann::json>;

CacheLocation readCacheConfig(const nlohmann::json& config);
// This plug-in module's own path with its extension replaced by ".dll.cache".
std::filesystem::path defaultCachePath();

// Never lets a std::exception out: a failure is logged as two lines and gives an empty cache.
PointersCache loadPointersCache(const nlohmann::json& config, void (*log)(const char*));
// Replaces the file whole; a place where no file can be created is skipped, and a write that
// fails once begun throws "Failed to save pointers cache: " and the reason.
void savePointersCache(const nlohmann::json& config, const PointersCache& cache);

}  // namespace Tovek::KV9Lua
