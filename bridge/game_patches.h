#pragma once

// The two start-up finders that patch or reach game data: the camera's four range-limit checks
// and the WorldBuilder this-player global. Both keep their findings in the pointers cache.

#include "bridge/pointers_cache.h"

#include <cstdint>
#include <vector>

namespace Tovek::KV9Lua {

// The plug-in's wider camera range limit; its address is written into the game's code.
extern const float g_extendedRangeLimit;

uint32_t findThisPlayerGlobal(PointersCache& cache);
std::vector<uint32_t> findRangeLimitCheckers(PointersCache& cache);

}  // namespace Tovek::KV9Lua
