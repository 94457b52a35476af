#include "hostgame/game/game_animation_chain.h"

#include "hostgame/game/game_animation.h"

#include <cstring>

namespace HostGame {

namespace {

constexpr std::size_t kMemberOffset = 0x128;
constexpr std::size_t kHolderOffset = 0xC;
constexpr std::size_t kObjectOffset = 0x138;
constexpr std::size_t kBaseIdOffset = 0xDC;
constexpr std::size_t kExpansionIdOffset = 0xE0;

void writeWord(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

uint32_t addressOf(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

AnimationContextChain::AnimationContextChain() {
    writeWord(m_data.data() + kMemberOffset, addressOf(m_member.data()));
    writeWord(m_member.data() + kHolderOffset, addressOf(m_holder.data()));
    writeWord(m_holder.data() + kObjectOffset, addressOf(m_object.data()));
    g_animationContextPtr = addressOf(m_data.data());
}

AnimationContextChain::~AnimationContextChain() { g_animationContextPtr = 0; }

void AnimationContextChain::cut(Link link) {
    switch (link) {
        case Link::Data: g_animationContextPtr = 0; break;
        case Link::Member: writeWord(m_data.data() + kMemberOffset, 0); break;
        case Link::Holder: writeWord(m_member.data() + kHolderOffset, 0); break;
        case Link::Object: writeWord(m_holder.data() + kObjectOffset, 0); break;
    }
}

void AnimationContextChain::setObjectIds(uint32_t baseId, uint32_t expansionId) {
    writeWord(m_object.data() + kBaseIdOffset, baseId);
    writeWord(m_object.data() + kExpansionIdOffset, expansionId);
}

void AnimationContextChain::setCurrentObject(const void* object) {
    writeWord(m_holder.data() + kObjectOffset, addressOf(object));
}

}  // namespace HostGame
