#include "bridge/cache_file.h"

#include "bridge/replace_file.h"
#include "bridge/wide_path.h"

#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/locale/encoding_utf.hpp>

#include <fstream>
#include <stdexcept>
#include <string>

namespace Tovek::KV9Lua {

using nlohmann::json;

namespace {

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Another start-up of the game may read the file at the same moment: it is replaced whole.
void writeCacheFile(const std::filesystem::path& path, const PointersCache& cache) {
    const std::string text = cache.toJson().dump();
    try {
        replaceFileContents(path, text);
    } catch (const FileNotCreated&) {
        // A place where no file can be created only costs the next start-up a fresh search.
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Failed to save pointers cache: ") + error.what());
    }
}

}  // namespace

CacheLocation readCacheConfig(const json& config) {
    if (!config.contains("cache")) return CacheLocation{std::in_place_type<DefaultCacheFile>};
    const json& cache = config.at("cache");
    if (cache.is_null()) return CacheLocation{std::in_place_type<NoCacheFile>};
    if (cache.is_object()) {
        const auto value = cache.find("value");
        if (value != cache.end() && !value->is_null()) {
            return CacheLocation{std::in_place_type<json>, *value};
        }
    }
    if (!cache.is_object() || !cache.contains("filePath")) throw std::runtime_error("invalid config");
    const json& filePath = cache.at("filePath");
    if (filePath.is_null()) return CacheLocation{std::in_place_type<NoCacheFile>};
    return CacheLocation{std::in_place_type<std::filesystem::path>,
                         pathFromWide(boost::locale::conv::utf_to_utf<wchar_t>(
                             filePath.get<std::string>()))};
}

std::filesystem::path defaultCachePath() {
    std::filesystem::path path = boost::dll::this_line_location();
    path.replace_extension(".dll.cache");
    return path;
}

PointersCache loadPointersCache(const json& config, void (*log)(const char*)) {
    try {
        return std::visit(
            Overloaded{
                [](const NoCacheFile&) { return PointersCache(); },
                [](const DefaultCacheFile&) {
                    std::ifstream stream(defaultCachePath());
                    if (!stream.good()) return PointersCache();  // first run: no file yet
                    return PointersCache::fromJson(json::parse(stream));
                },
                [](const std::filesystem::path& path) {
                    // Not tested first: a missing configured file shows as a parse error.
                    std::ifstream stream(path);
                    return PointersCache::fromJson(json::parse(stream));
                },
                [](const json& value) { return PointersCache::fromJson(value); },
            },
            readCacheConfig(config));
    } catch (const std::exception& error) {
        log("Failed to load pointers cache: ");
        log(error.what());
        return PointersCache();
    }
}

void savePointersCache(const json& config, const PointersCache& cache) {
    std::visit(Overloaded{
                   [](const NoCacheFile&) {},
                   [&](const DefaultCacheFile&) { writeCacheFile(defaultCachePath(), cache); },
                   [&](const std::filesystem::path& path) { writeCacheFile(path, cache); },
                   [](const json&) {
                       throw std::runtime_error(
                           "serialization of PointersCache with no path provided is not "
                           "implemented yet");
                   },
               },
               readCacheConfig(config));
}

}  // namespace Tovek::KV9Lua
