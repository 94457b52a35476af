#pragma once

// The two whole-module scans the start-up runs on a cold cache, in the two sets the library's
// entry chooses from: Vellox.dll runs the fast ones, the benchmark's VelloxExhaustive.dll the
// exhaustive reference, so that both can be timed side by side.

#include "bridge/range_limit_scan.h"
#include "bridge/this_player_scan.h"

namespace Tovek::KV9Lua {

struct WholeModuleScans {
    RangeLimitScan scanRangeLimitChecker;
    FirstMessagePushScan findFirstMessagePush;
};

inline constexpr WholeModuleScans kFastWholeModuleScans{scanRangeLimitCheckerFast,
                                                        findFirstMessagePushFast};
inline constexpr WholeModuleScans kExhaustiveWholeModuleScans{scanRangeLimitCheckerExhaustive,
                                                              findFirstMessagePushExhaustive};

}  // namespace Tovek::KV9Lua
