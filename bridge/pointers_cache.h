#pragma once

// The cache of game addresses found at start-up, each checked by a CRC-32 of the code around it.

#include "bridge/code_scan.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <variant>

namespace Tovek::KV9Lua {

// One cached address with a CRC-32 of the game code around it; offsets from the module begin.
struct PointersCacheEntry {
    int32_t pointer;
    int32_t checkBegin;
    int32_t checkEnd;
    uint32_t crc;

    bool operator==(const PointersCacheEntry&) const = default;
};

void to_json(nlohmann::json& json, const PointersCacheEntry& entry);
void from_json(const nlohmann::json& json, PointersCacheEntry& entry);

// Addresses that the finders settled, by entry id, bound to the main module's image.
class PointersCache {
public:
    PointersCache();
    PointersCache(PointersCache&&) = default;
    PointersCache& operator=(PointersCache&&) = default;
    PointersCache(const PointersCache&) = delete;
    PointersCache& operator=(const PointersCache&) = delete;

    // module begin + pointer of the id's entry, or 0.
    uintptr_t find(uint32_t id) const;
    // Stores the address under a new id; address 0 erases the id's entry.
    void set(uint32_t id, uintptr_t address);

    nlohmann::json toJson() const;
    static PointersCache fromJson(const nlohmann::json& value);

    const TheGameModule& module() const { return m_module; }
    const std::unordered_map<uint32_t, PointersCacheEntry>& entries() const { return m_map; }

private:
    std::optional<PointersCacheEntry> computeEntry(int32_t pointer, int32_t checkBegin,
                                                   int32_t checkEnd) const;

    TheGameModule m_module;
    std::unordered_map<uint32_t, PointersCacheEntry> m_map;
};

}  // namespace Tovek::KV9Lua
