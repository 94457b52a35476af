#include "entry/library_start.h"

#include "bridge/entry_boundary.h"
#include "bridge/startup.h"
#include "entry/internal_lua_plugins.h"

namespace Tovek::KV9Lua {

bool startLibrary(const PluginHostApi* host, const WholeModuleScans& scans) {
    // Without a block or its log routine there is nothing to report to: refused before the
    // called-once guard, so the one call stays for a loader that has both.
    if (host == nullptr || host->log == nullptr) return false;
    return runLoggingFailure(
        [host, &scans] { runStartup(*host, StartupEdges{internalLuaPlugins(), scans}); },
        host->log, "Unknown exception");
}

}  // namespace Tovek::KV9Lua
