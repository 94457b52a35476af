#pragma once

// The two whole-module scans the start-up runs on a cold cache. Vellox.dll runs the fast ones;
// the benchmark's VelloxExhaustive.dll links its own definition that selects the exhaustive
// reference, so that both can be timed side by side.

#include "bridge/range_limit_scan.h"
#include "bridge/this_player_scan.h"

namespace Tovek::KV9Lua {

struct WholeModuleScans {
    RangeLimitScan scanRangeLimitChecker;
    FirstMessagePushScan findFirstMessagePush;
};

extern const WholeModuleScans g_wholeModuleScans;

}  // namespace Tovek::KV9Lua
