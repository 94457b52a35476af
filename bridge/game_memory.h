#pragma once

// Reads of a value at a raw address in the game's memory, byte by byte, so that no alignment
// is assumed.

#include <cstdint>
#include <cstring>

namespace Tovek::KV9Lua {

template <typename T>
T readAt(uintptr_t address) {
    T value;
    std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
    return value;
}

template <typename T>
T readAt(const void* base, uintptr_t offset) {
    return readAt<T>(reinterpret_cast<uintptr_t>(base) + offset);
}

}  // namespace Tovek::KV9Lua
