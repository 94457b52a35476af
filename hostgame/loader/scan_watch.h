#pragma once

#include "hostgame/loader/plugin_loader.h"

#include <filesystem>

namespace HostGame {

// Notices a whole-module byte search: arms a guard page in the middle of the game's data area,
// which nothing else reads, and counts the reads that trip it.
class ModuleScanWatch {
public:
    ModuleScanWatch();
    ~ModuleScanWatch();
    ModuleScanWatch(const ModuleScanWatch&) = delete;
    ModuleScanWatch& operator=(const ModuleScanWatch&) = delete;

    bool tripped() const;

private:
    void* m_handler;
};

// One call of the plug-in's export under a watch.
struct WatchedRun {
    PluginRun run;
    bool searchedModule;  // the start-up searched the whole game module
};
WatchedRun runPluginWatched(const std::filesystem::path& dll, const char* customData);

}  // namespace HostGame
