#include "hostgame/loader/plugin_loader.h"

#include "bridge/plugin_host_api.h"
#include "hostgame/loader/inline_hook.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <thread>

namespace HostGame {

namespace {

PluginRun* g_currentRun = nullptr;
const PluginRunOptions* g_options = nullptr;

std::mutex g_laterLinesMutex;
std::vector<std::string> g_laterLines;

void hostLog(const char* text) {
    if (g_currentRun == nullptr) {
        std::lock_guard lock(g_laterLinesMutex);
        g_laterLines.emplace_back(text);
        return;
    }
    if (g_options->echo) std::printf("%s\n", text);
    g_currentRun->log.emplace_back(text);
    if (g_options->onLog) g_options->onLog(text);
}

bool refusingHook(void**, void*) { return false; }

PluginRun callExport(HMODULE module, const char* customData, const PluginRunOptions& options) {
    PluginRun run;
    using Init = bool (*)(const PluginHostApi*);
    auto init = reinterpret_cast<Init>(
        reinterpret_cast<void*>(GetProcAddress(module, "tovek_plugin_init")));
    if (init == nullptr) return run;
    run.loaded = true;
    const HookRoutine hook = options.withoutHook   ? nullptr
                             : options.refuseHooks ? &refusingHook
                                                   : &installInlineHook;
    const PluginHostApi host{hook, options.withoutLog ? nullptr : &hostLog, customData};
    g_currentRun = &run;
    g_options = &options;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    // The host loader calls the export on a thread of its own.
    const std::function<void()> callExport = [&] {
        run.result = init(options.withoutBlock ? nullptr : &host);
    };
    std::thread([&] {
        if (options.onLoaderThread) {
            options.onLoaderThread(callExport);
        } else {
            callExport();
        }
    }).join();
    QueryPerformanceCounter(&end);
    run.initMs = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                 static_cast<double>(frequency.QuadPart);
    g_currentRun = nullptr;
    g_options = nullptr;
    return run;
}

}  // namespace

std::vector<std::string> hostLogAfterTheCall() {
    std::lock_guard lock(g_laterLinesMutex);
    return g_laterLines;
}

PluginRun runPlugin(const std::filesystem::path& dll, const char* customData,
                    const PluginRunOptions& options) {
    HMODULE module = LoadLibraryW(dll.wstring().c_str());
    if (module == nullptr) return PluginRun{};
    return callExport(module, customData, options);
}

}  // namespace HostGame
