#include "hostgame/game/game_world.h"

extern "C" {
void* g_worldBuilderGlobal = nullptr;
}

namespace HostGame {

GameWorld::GameWorld(Edition edition)
    : m_edition(edition),
      m_players(std::size(kWorldPlayerNames)),
      m_objects(std::size(kWorldObjects)),
      m_nodes(std::size(kWorldObjects)),
      m_buckets(kWorldBucketCount, nullptr),
      m_worldBuilder(std::make_unique<WorldBuilder>()) {
    const bool expansion = edition == Edition::Expansion;
    for (std::size_t i = 0; i < m_players.size(); ++i) m_players[i].name = kWorldPlayerNames[i];
    m_decoyPlayer.name = kDecoyPlayerName;

    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        const WorldObject& entry = kWorldObjects[i];
        GameObject& object = m_objects[i];
        GamePlayer* const owner = entry.owner == kNoOwner ? nullptr : &m_players[entry.owner];
        object.description = entry.description;
        (expansion ? object.expansionPlayer : object.basePlayer) = owner;
        (expansion ? object.basePlayer : object.expansionPlayer) = &m_decoyPlayer;
        (expansion ? object.expansionId : object.baseId) = entry.id;
        (expansion ? object.baseId : object.expansionId) = entry.id + kDecoyIdOffset;

        // Appended at the end of its bucket's chain, so a chain keeps the table's order.
        GameObjectNode** link = &m_buckets[entry.id % kWorldBucketCount];
        while (*link != nullptr) link = &(*link)->next;
        m_nodes[i] = GameObjectNode{entry.id, &object, nullptr};
        *link = &m_nodes[i];
    }
    m_manager.buckets = m_buckets.data();
    m_manager.bucketCount = kWorldBucketCount;

    otherEditionThisPlayer() = kDecoyThisPlayer;
    g_gameObjects = &m_manager;
    g_worldBuilderGlobal = m_worldBuilder.get();
}

GameWorld::~GameWorld() {
    g_gameObjects = nullptr;
    g_worldBuilderGlobal = nullptr;
}

GameObject* GameWorld::object(uint32_t id) {
    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        if (kWorldObjects[i].id == id) return &m_objects[i];
    }
    return nullptr;
}

uint32_t& GameWorld::thisPlayer() {
    return m_edition == Edition::Expansion ? m_worldBuilder->expansionThisPlayer
                                           : m_worldBuilder->baseThisPlayer;
}

uint32_t& GameWorld::otherEditionThisPlayer() {
    return m_edition == Edition::Expansion ? m_worldBuilder->baseThisPlayer
                                           : m_worldBuilder->expansionThisPlayer;
}

}  // namespace HostGame
