#include "bridge/game_objects.h"

#include "bridge/bridge_state.h"
#include "bridge/game_object_lookup.h"
#include "bridge/lua40_layout.h"

#include <boost/locale/encoding_utf.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace Tovek::KV9Lua {

namespace {

constexpr uint32_t kPlayerNameOffset = 0x14;
constexpr std::string_view kPlayerPointerPrefix = "PlayerPointer:";

int pushFailure(LuaState* L, const char* message) {
    g_kv9Lua.pushnil(L);
    g_kv9Lua.pushstring(L, message);
    return 2;
}

template <typename T>
T* fieldAt(void* base, uint32_t offset) {
    return reinterpret_cast<T*>(static_cast<uint8_t*>(base) + offset);
}

uint32_t thisPlayerSlotOffset() { return g_isExpansion ? 0x18FB4 : 0x17D88; }

// "PlayerPointer:" with hexadecimal digits that fill the rest of the text exactly.
std::optional<uint32_t> readPlayerPointerText(LuaState* L, int top) {
    if (top < 1 || g_kv9Lua.type(L, 1) != kLuaStringTag) return std::nullopt;
    const char* text = g_kv9Lua.tostring(L, 1);
    if (text == nullptr) return std::nullopt;
    const std::string_view pointerText(text, g_kv9Lua.strlen(L, 1));
    if (pointerText.size() <= kPlayerPointerPrefix.size() ||
        !pointerText.starts_with(kPlayerPointerPrefix)) {
        return std::nullopt;
    }
    const char* const end = pointerText.data() + pointerText.size();
    uint32_t pointer = 0;
    const auto [stop, error] =
        std::from_chars(pointerText.data() + kPlayerPointerPrefix.size(), end, pointer, 16);
    if (error != std::errc() || stop != end) return std::nullopt;
    return pointer;
}

std::string playerPointerText(uint32_t pointer) {
    char digits[8];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), pointer, 16).ptr;
    return std::string(kPlayerPointerPrefix) + std::string(digits, end);
}

lua_CFunction findTinsert() {
    const LuaReg* const entries = g_kv9Lua.baseLibEntries;
    if (entries == nullptr) return nullptr;
    const LuaReg* const entry = std::find_if(entries, entries + kBaseLibEntryCount, isTinsertEntry);
    return entry == entries + kBaseLibEntryCount ? nullptr : entry->func;
}

}  // namespace

int GetPlayerNameByObjId(LuaState* L) {
    const int top = g_kv9Lua.gettop(L);
    g_kv9Lua.pushnil(L);
    const PlayerLookup player = getPlayerOfGameObject(L);
    if (player.error != nullptr) {
        g_kv9Lua.pushstring(L, player.error);
        return 2;
    }
    const char16_t* const name = *fieldAt<const char16_t*>(player.player, kPlayerNameOffset);
    if (name == nullptr) {
        g_kv9Lua.pushstring(L, "Error: Player name is null");
        return 2;
    }
    std::string utf8;
    try {
        utf8 = boost::locale::conv::utf_to_utf<char>(name, boost::locale::conv::skip);
    } catch (...) {
        g_kv9Lua.pushstring(L, "Error: Failed to convert UTF-16 string into UTF-8");
        return 2;
    }
    g_kv9Lua.settop(L, top);
    g_kv9Lua.pushstring(L, utf8.c_str());
    return 1;
}

int SetWorldBuilderThisPlayer(LuaState* L) {
    const int top = g_kv9Lua.gettop(L);
    g_kv9Lua.pushnil(L);
    std::optional<uint32_t> newPlayer = readPlayerPointerText(L, top);
    if (!newPlayer) {
        const PlayerLookup player = getPlayerOfGameObject(L);
        if (player.error != nullptr) {
            g_kv9Lua.pushstring(L, player.error);
            return 2;
        }
        newPlayer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(player.player));
    }
    // Outside a loaded map the game has no WorldBuilder to switch.
    void* const holder = g_thisPlayerGlobal == 0
                             ? nullptr
                             : *reinterpret_cast<void**>(static_cast<uintptr_t>(g_thisPlayerGlobal));
    if (holder == nullptr) {
        g_kv9Lua.pushstring(L, "Error: WorldBuilder is null");
        return 2;
    }
    uint32_t* const slot = fieldAt<uint32_t>(holder, thisPlayerSlotOffset());
    const std::string previous = playerPointerText(*slot);
    g_kv9Lua.settop(L, top);
    *slot = *newPlayer;
    g_kv9Lua.pushstring(L, previous.c_str());
    return 1;
}

int GetGameObjectAddressByObjId(LuaState* L) {
    const GameObjectLookup object = getGameObjectById(L);
    if (object.error != nullptr) return pushFailure(L, object.error);
    const auto text = printGameObjectAddress(object.object);
    if (text) {
        g_kv9Lua.pushstring(L, text->data());
    } else {
        g_kv9Lua.pushnil(L);
    }
    return 1;
}

int ReadAllObjIds(LuaState* L) {
    if (g_kv9Lua.gettop(L) != 1 || g_kv9Lua.type(L, 1) != kLuaTableTag) {
        return pushFailure(L, "Invalid argument: must be table");
    }
    static const lua_CFunction tinsert = findTinsert();
    if (tinsert == nullptr) return pushFailure(L, "tinsert not found");
    const GameObjectsManagerLookup manager = getGameObjectsManager();
    if (manager.error != nullptr) return pushFailure(L, manager.error);

    std::vector<uint32_t> ids = collectGameObjectIds(manager.manager);
    std::sort(ids.begin(), ids.end());
    for (const uint32_t id : ids) {
        g_kv9Lua.settop(L, 1);
        g_kv9Lua.pushnumber(L, static_cast<double>(id));
        tinsert(L);
    }
    g_kv9Lua.settop(L, 1);
    g_kv9Lua.pushnumber(L, static_cast<double>(ids.size()));
    return 1;
}

int UseObjId(LuaState* L) {
    if (g_kv9Lua.gettop(L) != 2 || g_kv9Lua.type(L, 1) != kLuaTableTag) {
        return pushFailure(L, "Invalid argument: must be table");
    }
    uint32_t* const idWord = tableObjectIdWord(L, 1);
    if (*idWord != 0) return pushFailure(L, "Invalid argument: this table already has id");
    const double id = g_kv9Lua.tonumber(L, 2);
    if (std::isnan(id) || id >= 4294967295.0) return pushFailure(L, "Invalid argument: invalid id");
    *idWord = objectIdOfNumber(id);
    g_kv9Lua.pushvalue(L, 1);
    return 1;
}

}  // namespace Tovek::KV9Lua
