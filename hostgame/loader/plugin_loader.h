#pragma once

// The stand-in host loader: loads a plug-in DLL and calls tovek_plugin_init once, on a thread of
// its own, with {hook, log, customData}, recording every log line.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace HostGame {

struct PluginRun {
    bool loaded = false;  // the DLL and its export were found
    bool result = false;  // what tovek_plugin_init returned
    std::vector<std::string> log;
    double initMs = 0;  // how long tovek_plugin_init took
};

struct PluginRunOptions {
    bool echo = false;  // print every log line as it arrives
    std::function<void(const std::string&)> onLog;  // runs inside the host's log routine
    bool withoutBlock = false;  // calls the export with a null pointer instead of the block
    bool refuseHooks = false;   // the hook routine returns false and changes nothing
    bool withoutHook = false;   // the block's hook routine is null
    bool withoutLog = false;    // the block's log routine is null
    // Runs on the loader's thread around the call, which it makes by calling its argument.
    std::function<void(const std::function<void()>& callExport)> onLoaderThread;
};

// Loads the DLL (a second call finds the module already loaded) and calls its export with
// customData (nullptr passes a null pointer).
PluginRun runPlugin(const std::filesystem::path& dll, const char* customData,
                    const PluginRunOptions& options = {});

// The lines a plug-in logged after its export call had returned, from any thread, in order.
std::vector<std::string> hostLogAfterTheCall();

}  // namespace HostGame
