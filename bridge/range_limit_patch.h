#pragma once

#include <cstdint>
#include <vector>

namespace Tovek::KV9Lua {

// Points each checker's 32-bit memory operand (at checker + 4) at g_extendedRangeLimit, then
// flushes the instruction cache. The old page protection is not restored.
void patchRangeLimitCheckers(const std::vector<uint32_t>& checkers);

}  // namespace Tovek::KV9Lua
