#pragma once

// The stand-in game's world: players, game objects in the game's object hash map, the game lock
// and the WorldBuilder holder behind the this-player global.

#include "hostgame/game/lua_runtime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace HostGame {

struct GamePlayer {
    uint8_t unknown[0x14];
    const char16_t* name;  // NUL-terminated UTF-16, or null
};
static_assert(offsetof(GamePlayer, name) == 0x14);

// The fields the two editions place differently are both present; the world fills the other
// edition's with decoys, so reading the wrong one shows.
struct GameObject {
    uint8_t unknown0[0x10];
    const char* description;  // what the game's ObjectDescription answers
    uint8_t unknown1[0xDC - 0x14];
    uint32_t baseId;
    uint32_t expansionId;
    uint8_t unknown2[0x418 - 0xE4];
    GamePlayer* basePlayer;
    uint8_t unknown3[0x428 - 0x41C];
    GamePlayer* expansionPlayer;
};
static_assert(offsetof(GameObject, description) == 0x10);
static_assert(offsetof(GameObject, baseId) == 0xDC && offsetof(GameObject, expansionId) == 0xE0);
static_assert(offsetof(GameObject, basePlayer) == 0x418);
static_assert(offsetof(GameObject, expansionPlayer) == 0x428);

// A node of the object hash map; a bucket's chain ends with a null next.
struct GameObjectNode {
    uint32_t id;
    GameObject* object;
    GameObjectNode* next;
};

// The manager that the GameObjects global holds. Its object hash map starts at 0xBC.
struct GameObjectsManager {
    uint8_t unknown[0xBC];
    uint32_t mapHeader;
    GameObjectNode** buckets;  // bucket = id mod bucketCount
    uint32_t bucketCount;
};
static_assert(offsetof(GameObjectsManager, mapHeader) == 0xBC);
static_assert(offsetof(GameObjectsManager, buckets) == 0xC0);
static_assert(offsetof(GameObjectsManager, bucketCount) == 0xC4);

// The holder that g_worldBuilderGlobal points to, with each edition's this-player slot.
struct WorldBuilder {
    uint8_t unknown0[0x17D88];
    uint32_t baseThisPlayer;
    uint8_t unknown1[0x18FB4 - 0x17D8C];
    uint32_t expansionThisPlayer;
};
static_assert(offsetof(WorldBuilder, baseThisPlayer) == 0x17D88);
static_assert(offsetof(WorldBuilder, expansionThisPlayer) == 0x18FB4);

enum class Edition { Base, Expansion };

// The players of the world, by index.
inline constexpr const char16_t* kWorldPlayerNames[] = {
    u"Hjördís 北\U0001D11E",  // non-ASCII, with a surrogate pair
    // A lone low surrogate, a high one before a non-surrogate, a high one at the end: "Erik".
    u"E\xDC00r\xD800xik\xD83D",
    nullptr,
    u"Ulf",
};
inline constexpr int kNoOwner = -1;

struct WorldObject {
    uint32_t id;
    int owner;  // index into kWorldPlayerNames, or kNoOwner
    const char* description;
};
// In map order. Ids 3, 7, 11 and 0xFFFFFFFF share bucket 3; bucket 2 stays empty.
inline constexpr uint32_t kWorldBucketCount = 4;
inline constexpr WorldObject kWorldObjects[] = {
    {3, 0, "Longhouse"},
    {7, 1, "Boathouse"},
    {11, 0, "Watchtower"},
    {0xFFFFFFFF, 3, "Runestone"},
    {12, 2, "Smithy"},
    {5, kNoOwner, "Driftwood"},
};

// The world of one game session. Building it points the GameObjects global at its manager and
// g_worldBuilderGlobal at its WorldBuilder; destroying it nulls both.
class GameWorld {
public:
    explicit GameWorld(Edition edition);
    ~GameWorld();
    GameWorld(const GameWorld&) = delete;
    GameWorld& operator=(const GameWorld&) = delete;

    // The object with an id of kWorldObjects, or null.
    GameObject* object(uint32_t id);
    GamePlayer* player(int index) { return &m_players[index]; }
    GameObjectsManager* manager() { return &m_manager; }
    // The this-player slot of the world's edition, and the other edition's.
    uint32_t& thisPlayer();
    uint32_t& otherEditionThisPlayer();

private:
    Edition m_edition;
    std::vector<GamePlayer> m_players;
    GamePlayer m_decoyPlayer{};
    std::vector<GameObject> m_objects;
    std::vector<GameObjectNode> m_nodes;
    std::vector<GameObjectNode*> m_buckets;
    GameObjectsManager m_manager{};
    std::unique_ptr<WorldBuilder> m_worldBuilder;
};

// The name the decoy player has: the owner the other edition's offset shows.
inline constexpr const char16_t* kDecoyPlayerName = u"Wrong edition";
// Added to an object's id in the other edition's id field.
inline constexpr uint32_t kDecoyIdOffset = 1000;
// What the other edition's this-player slot holds from the start.
inline constexpr uint32_t kDecoyThisPlayer = 0xDEC0DE;

// The argument the game passes to its object lock.
inline constexpr uint32_t kObjectsLockArgument = 5000;

}  // namespace HostGame

extern "C" {
// The WorldBuilder this-player global: a game variable that points to the holder object of the
// this-player slot (null outside a loaded map). The this-player push site reads it.
extern void* g_worldBuilderGlobal;

// The GameObjects global: the game variable that holds the manager, or null.
extern HostGame::GameObjectsManager* g_gameObjects;

// The sync object guarding the object hash map, and the game's lock and unlock: thiscall member
// functions of it that pop their one argument (the lock's is kObjectsLockArgument, the unlock's
// is 1). Declared for their addresses only.
extern uint8_t g_objectsSyncObject[24];
void host_objects_lock();
void host_objects_unlock();
// Every call of each, and the calls that were wrong: another this, another argument, a lock
// while held or an unlock while not held.
extern uint32_t g_objectsLockCalls;
extern uint32_t g_objectsUnlockCalls;
extern uint32_t g_objectsLockFaults;
extern uint32_t g_objectsLockHeld;

// The game's native "ObjectDescription": the description of the object whose id is argument 1,
// or nil, looked up under the object lock.
int host_object_description(lua_State* L);
// Shapes of it that the plug-in's scan must refuse: the unlock names another sync object; no lock
// at all within the scan's 256 bytes. For the scan only.
int host_object_description_other_sync(lua_State* L);
int host_object_description_unlocked(lua_State* L);
}
