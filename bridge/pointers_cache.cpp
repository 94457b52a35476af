#include "bridge/pointers_cache.h"

#include "bridge/cache_cipher.h"

#include <cryptopp/crc.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Tovek::KV9Lua {

using nlohmann::json;

namespace {

constexpr uint32_t kMaxHalfWindow = 512;
constexpr uint32_t kMinWindow = 16;

// The usual CRC-32 value: Crypto++ yields its digest bytes lowest first.
uint32_t crc32Of(const uint8_t* bytes, std::size_t length) {
    CryptoPP::byte digest[CryptoPP::CRC32::DIGESTSIZE];
    CryptoPP::CRC32().CalculateDigest(digest, bytes, length);
    return uint32_t{digest[0]} | uint32_t{digest[1]} << 8 | uint32_t{digest[2]} << 16 |
           uint32_t{digest[3]} << 24;
}

}  // namespace

void to_json(json& object, const PointersCacheEntry& entry) {
    object = json{{"pointer", entry.pointer},
                  {"checkBegin", entry.checkBegin},
                  {"checkEnd", entry.checkEnd},
                  {"crc", entry.crc}};
}

void from_json(const json& object, PointersCacheEntry& entry) {
    entry.pointer = object.at("pointer").get<int32_t>();
    entry.checkBegin = object.at("checkBegin").get<int32_t>();
    entry.checkEnd = object.at("checkEnd").get<int32_t>();
    entry.crc = object.at("crc").get<uint32_t>();
}

PointersCache::PointersCache() : m_module(getMainModuleRange()) {}

uintptr_t PointersCache::find(uint32_t id) const {
    const auto found = m_map.find(id);
    if (found == m_map.end()) return 0;
    return uintptr_t{m_module.begin} + static_cast<uint32_t>(found->second.pointer);
}

void PointersCache::set(uint32_t id, uintptr_t address) {
    if (address == 0) {
        m_map.erase(id);
        return;
    }
    if (address < m_module.begin) throw std::runtime_error("invalid pointer");
    const uintptr_t offset = address - m_module.begin;
    if (offset >= m_module.size) return;

    // Centred on the address, shrinking evenly near either end of the module.
    const auto at = static_cast<uint32_t>(offset);
    const uint32_t half = std::min({kMaxHalfWindow, at, m_module.size - at});
    const auto entry = computeEntry(static_cast<int32_t>(at), static_cast<int32_t>(at - half),
                                    static_cast<int32_t>(at + half));
    if (!entry) return;
    if (!m_map.emplace(id, *entry).second) {
        throw std::invalid_argument("there might be duplicate id");
    }
}

std::optional<PointersCacheEntry> PointersCache::computeEntry(int32_t pointer, int32_t checkBegin,
                                                              int32_t checkEnd) const {
    // Unsigned on purpose: a negative offset read from a file counts as far past the module.
    const auto begin = static_cast<uint32_t>(checkBegin);
    const uint32_t end = std::min(static_cast<uint32_t>(checkEnd), m_module.size);
    if (begin > end || end - begin < kMinWindow) return std::nullopt;
    const auto* bytes = reinterpret_cast<const uint8_t*>(uintptr_t{m_module.begin} + begin);
    return PointersCacheEntry{pointer, checkBegin, static_cast<int32_t>(end),
                              crc32Of(bytes, end - begin)};
}

json PointersCache::toJson() const {
    const SealedCache sealed = sealCache(json::to_msgpack(json{{"m_map", m_map}}));
    return json::array({sealed.iv, sealed.ciphertext});
}

PointersCache PointersCache::fromJson(const json& value) {
    // Anything but an array fails here with the library's own type error.
    const json items = value.get<json::array_t>();
    const std::vector<uint8_t> plaintext =
        openCache(SealedCache{items.at(0).get<std::string>(), items.at(1).get<std::string>()});

    PointersCache cache;
    cache.m_map = json::from_msgpack(plaintext).at("m_map").get<decltype(m_map)>();
    // One entry that no longer matches the running image discards them all.
    const bool intact = std::all_of(cache.m_map.begin(), cache.m_map.end(), [&](const auto& item) {
        const PointersCacheEntry& stored = item.second;
        const auto fresh = cache.computeEntry(stored.pointer, stored.checkBegin, stored.checkEnd);
        return fresh && *fresh == stored;
    });
    if (!intact) cache.m_map.clear();
    return cache;
}

}  // namespace Tovek::KV9Lua
