#include "bridge/whole_module_scans.h"

namespace Tovek::KV9Lua {

// VelloxExhaustive.dll only (the benchmark's reference): every byte of the module is decoded.
extern const WholeModuleScans g_wholeModuleScans = {scanRangeLimitCheckerExhaustive,
                                                    findFirstMessagePushExhaustive};

}  // namespace Tovek::KV9Lua
