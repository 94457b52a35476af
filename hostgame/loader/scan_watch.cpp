#include "hostgame/loader/scan_watch.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <utility>

extern "C" uint8_t g_gameDataArea[];

namespace HostGame {

namespace {

std::atomic<int> g_guardHits{0};

uint8_t* guardedPage() { return g_gameDataArea + 0x480000; }

LONG CALLBACK onGuardPage(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != STATUS_GUARD_PAGE_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
    const auto address = reinterpret_cast<uint8_t*>(record->ExceptionInformation[1]);
    if (address < guardedPage() || address >= guardedPage() + 4096) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    ++g_guardHits;  // the system has dropped the guard: the read now goes through
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

ModuleScanWatch::ModuleScanWatch() : m_handler(AddVectoredExceptionHandler(1, onGuardPage)) {
    g_guardHits = 0;
    DWORD old;
    VirtualProtect(guardedPage(), 4096, PAGE_READWRITE | PAGE_GUARD, &old);
}

ModuleScanWatch::~ModuleScanWatch() {
    DWORD old;
    VirtualProtect(guardedPage(), 4096, PAGE_READWRITE, &old);
    RemoveVectoredExceptionHandler(m_handler);
}

bool ModuleScanWatch::tripped() const { return g_guardHits > 0; }

WatchedRun runPluginWatched(const std::filesystem::path& dll, const char* customData) {
    ModuleScanWatch watch;
    PluginRun run = runPlugin(dll, customData);
    return {std::move(run), watch.tripped()};
}

}  // namespace HostGame
