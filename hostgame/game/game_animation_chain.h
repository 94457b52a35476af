#pragma once

// The game's animation context chain: g_animationContextPtr -> context data, data + 0x128 ->
// member, member + 0xC -> game-object holder, holder + 0x138 -> current game object, whose id
// word lies at 0xDC in the base game and 0xE0 in the expansion.

#include <array>
#include <cstdint>

namespace HostGame {

class AnimationContextChain {
public:
    // The pointer that leads to each link of the chain.
    enum class Link { Data, Member, Holder, Object };

    // Links the whole chain and points the game's global at it; the destructor clears the global.
    AnimationContextChain();
    ~AnimationContextChain();
    AnimationContextChain(const AnimationContextChain&) = delete;
    AnimationContextChain& operator=(const AnimationContextChain&) = delete;

    // Nulls the pointer to the link; the links before it stay.
    void cut(Link link);
    void setObjectIds(uint32_t baseId, uint32_t expansionId);
    // Makes another object, such as one of the game world's, the current one.
    void setCurrentObject(const void* object);
    const void* object() const { return m_object.data(); }

private:
    alignas(4) std::array<uint8_t, 0x130> m_data{};
    alignas(4) std::array<uint8_t, 0x10> m_member{};
    alignas(4) std::array<uint8_t, 0x140> m_holder{};
    alignas(4) std::array<uint8_t, 0x500> m_object{};
};

}  // namespace HostGame
