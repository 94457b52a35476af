#pragma once

// Addresses as the 32-bit game sees them, and the one way the tests print them.

#include <cstdint>
#include <cstdio>
#include <string>

inline uint32_t addressOf(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

template <typename F>
uintptr_t functionAddress(F* function) {
    return reinterpret_cast<uintptr_t>(function);
}

inline std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}
