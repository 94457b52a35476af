#include "hostgame/plugin_loader.h"

#include "bridge/plugin_host_api.h"
#include "hostgame/inline_hook.h"

#include <windows.h>

#include <cstdio>

namespace HostGame {

namespace {

PluginRun* g_currentRun = nullptr;
bool g_echo = false;

void hostLog(const char* text) {
    if (g_echo) std::printf("%s\n", text);
    if (g_currentRun) g_currentRun->log.emplace_back(text);
}

PluginRun callExport(HMODULE module, const char* customData, bool echo) {
    PluginRun run;
    using Init = bool (*)(const PluginHostApi*);
    auto init = reinterpret_cast<Init>(
        reinterpret_cast<void*>(GetProcAddress(module, "tovek_plugin_init")));
    if (init == nullptr) return run;
    run.loaded = true;
    const PluginHostApi host{&installInlineHook, &hostLog, customData};
    g_currentRun = &run;
    g_echo = echo;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    run.result = init(&host);
    QueryPerformanceCounter(&end);
    run.initMs = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                 static_cast<double>(frequency.QuadPart);
    g_currentRun = nullptr;
    return run;
}

}  // namespace

PluginRun runPlugin(const std::filesystem::path& dll, const char* customData, bool echo) {
    HMODULE module = LoadLibraryW(dll.wstring().c_str());
    if (module == nullptr) return PluginRun{};
    return callExport(module, customData, echo);
}

}  // namespace HostGame
