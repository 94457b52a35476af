#include "bridge/range_limit_patch.h"

#include <windows.h>

#include <cstring>
#include <system_error>

namespace Tovek::KV9Lua {

extern const float g_extendedRangeLimit = 25000.0f;

namespace {

[[noreturn]] void throwLastError(const char* what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

}  // namespace

bool flushOwnInstructionCache() {
    return FlushInstructionCache(GetCurrentProcess(), nullptr, 0) != 0;
}

void patchRangeLimitCheckers(const std::vector<uint32_t>& checkers, InstructionCacheFlush flush) {
    const auto limit = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&g_extendedRangeLimit));
    for (const uint32_t checker : checkers) {
        DWORD old;
        if (!VirtualProtect(reinterpret_cast<void*>(checker), 8, PAGE_EXECUTE_READWRITE, &old)) {
            throwLastError("VirtualProtect failed");
        }
        std::memcpy(reinterpret_cast<void*>(checker + 4), &limit, sizeof limit);
    }
    if (!flush()) throwLastError("FlushInstructionCache failed");
}

}  // namespace Tovek::KV9Lua
