#include "bridge/whole_module_scans.h"

namespace Tovek::KV9Lua {

// Alone in its object file, so that a module that defines g_wholeModuleScans itself does not
// pull this one from the library.
extern const WholeModuleScans g_wholeModuleScans = {scanRangeLimitCheckerFast,
                                                    findFirstMessagePushFast};

}  // namespace Tovek::KV9Lua
