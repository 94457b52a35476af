// The pointers cache file as a load reads it. The first byte chooses what the rest is: the
// file's text as it lies on disk, or the plaintext inside a well-sealed file, so that the
// entries' own checks are reached too (a forged cache must never be trusted or crash).

#include "bridge/cache_cipher.h"
#include "bridge/pointers_cache.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

using namespace Tovek::KV9Lua;
using nlohmann::json;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    try {
        json file;
        if (data[0] % 2 == 0) {
            file = json::parse(data + 1, data + size);
        } else {
            const SealedCache sealed = sealCache(std::vector<uint8_t>(data + 1, data + size));
            file = json::array({sealed.iv, sealed.ciphertext});
        }
        const PointersCache cache = PointersCache::fromJson(file);
        for (const auto& [id, entry] : cache.entries()) cache.find(id);
    } catch (const std::exception&) {
        // "Failed to load pointers cache: " and the reason, then an empty cache
    }
    return 0;
}
