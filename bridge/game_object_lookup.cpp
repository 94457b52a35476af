#include "bridge/game_object_lookup.h"

#include "bridge/bridge_state.h"
#include "bridge/game_lock.h"
#include "bridge/game_memory.h"
#include "bridge/game_objects.h"
#include "bridge/lua40_layout.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Tovek::KV9Lua {

std::atomic<uint32_t> g_gameObjectsGlobal{0};

namespace {

constexpr uint32_t kTableObjectIdOffset = 12;
constexpr uint32_t kBucketArrayOffset = 0xC0;
constexpr uint32_t kBucketCountOffset = 0xC4;

// A node of the game's object hash map.
struct GameObjectNode {
    uint32_t id;
    void* object;
    const GameObjectNode* next;
};

uint32_t readIdArgument(LuaState* L, int type) {
    if (type == kLuaNumberTag) return objectIdOfNumber(g_kv9Lua.tonumber(L, 1));
    return *tableObjectIdWord(L, 1);
}

struct GameObjectBuckets {
    const GameObjectNode* const* heads;
    uint32_t count;
};

GameObjectBuckets bucketsOf(const uint8_t* manager) {
    return {readAt<const GameObjectNode* const*>(manager, kBucketArrayOffset),
            readAt<uint32_t>(manager, kBucketCountOffset)};
}

// Both walks read the map's buckets under the game lock: the game changes them under it.
void* findObject(const uint8_t* manager, uint32_t id) {
    const GameLockGuard lock;
    const GameObjectBuckets buckets = bucketsOf(manager);
    if (buckets.count == 0) return nullptr;
    for (const GameObjectNode* node = buckets.heads[id % buckets.count]; node != nullptr;
         node = node->next) {
        if (node->id == id) return node->object;
    }
    return nullptr;
}

uint32_t playerOffset() { return g_isExpansion ? 0x428 : 0x418; }

}  // namespace

GameObjectsManagerLookup getGameObjectsManager() {
    const uint32_t global = g_gameObjectsGlobal.load();
    if (global == 0) return {nullptr, "Error: GameObjectHashMap not initialized"};
    const auto manager = *reinterpret_cast<const uint8_t* const*>(static_cast<uintptr_t>(global));
    if (manager == nullptr) return {nullptr, "Error: GameObjects is null"};
    return {manager, nullptr};
}

GameObjectLookup getGameObjectById(LuaState* L) {
    const GameObjectsManagerLookup manager = getGameObjectsManager();
    if (manager.error != nullptr) return {nullptr, manager.error};
    if (g_kv9Lua.gettop(L) < 1) return {nullptr, "Error: No argument"};
    const int type = g_kv9Lua.type(L, 1);
    if (type != kLuaNumberTag && type != kLuaTableTag) return {nullptr, "Error: Invalid id argument"};
    void* const object = findObject(manager.manager, readIdArgument(L, type));
    if (object == nullptr) return {nullptr, "Error: GameObjects not found"};
    return {object, nullptr};
}

PlayerLookup getPlayerOfGameObject(LuaState* L) {
    const GameObjectLookup object = getGameObjectById(L);
    if (object.error != nullptr) return {nullptr, object.error};
    void* const player = readAt<void*>(object.object, playerOffset());
    if (player == nullptr) return {nullptr, "Error: Player is null"};
    return {player, nullptr};
}

std::vector<uint32_t> collectGameObjectIds(const uint8_t* manager) {
    std::vector<uint32_t> ids;
    const GameLockGuard lock;
    const GameObjectBuckets buckets = bucketsOf(manager);
    for (uint32_t bucket = 0; bucket < buckets.count; ++bucket) {
        for (const GameObjectNode* node = buckets.heads[bucket]; node != nullptr;
             node = node->next) {
            ids.push_back(node->id);
        }
    }
    return ids;
}

std::optional<std::array<char, 64>> printGameObjectAddress(const void* object) {
    std::array<char, 64> text{};
    // The game's runtime prints %p as eight upper-case digits; MinGW's own printf would not.
    const int length = std::snprintf(text.data(), text.size(), "GameObject:%08" PRIXPTR,
                                     reinterpret_cast<uintptr_t>(object));
    if (length < 0 || length >= static_cast<int>(text.size())) return std::nullopt;
    return text;
}

uint32_t objectIdOfNumber(double number) {
    // -2^63 is exactly representable; 2^63 is the first value past the range.
    if (std::isnan(number) || number < -9223372036854775808.0 || number >= 9223372036854775808.0) {
        return 0;
    }
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(number)));
}

uint32_t* tableObjectIdWord(LuaState* L, int index) {
    const auto base = readAt<uint8_t*>(L, kLuaStateBaseOffset);
    const auto table = readAt<uint8_t*>(base + (index - 1) * kLuaSlotSize, kLuaSlotValueOffset);
    return reinterpret_cast<uint32_t*>(table + kTableObjectIdOffset);
}

bool isTinsertEntry(const LuaReg& entry) {
    return entry.name != nullptr && std::strcmp(entry.name, "tinsert") == 0;
}

}  // namespace Tovek::KV9Lua
