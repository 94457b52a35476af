#pragma once

// The hash of the bridge's string-keyed maps.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tovek::KV9Lua {

// 32-bit FNV-1a over the bytes of a text, the hash of every string-keyed map of the bridge.
struct Fnv1aHash {
    using is_transparent = void;

    std::size_t operator()(std::string_view text) const noexcept {
        uint32_t hash = 0x811C9DC5u;
        for (const unsigned char byte : text) {
            hash ^= byte;
            hash *= 0x01000193u;
        }
        return hash;
    }
};

}  // namespace Tovek::KV9Lua
