#pragma once

// Patching the game camera's range-limit checks to read the plug-in's wider limit.

#include "bridge/bridge_state.h"

#include <cstdint>
#include <vector>

namespace Tovek::KV9Lua {

// Flushes this process's instruction cache; false with the reason in GetLastError().
using InstructionCacheFlush = bool (*)();
bool flushOwnInstructionCache();

// Points each checker's 32-bit memory operand (at checker + 4) at g_extendedRangeLimit, then
// flushes the instruction cache, also after an empty list. The old page protection is not
// restored.
void patchRangeLimitCheckers(const std::vector<uint32_t>& checkers,
                             InstructionCacheFlush flush = flushOwnInstructionCache);

}  // namespace Tovek::KV9Lua
