#include "hostgame/scenarios/freed_memory_watch.h"

#include "hostgame/loader/inline_hook.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

namespace HostGame {

namespace {

using FreeFunction = void(__cdecl*)(void* block);
using SizeFunction = std::size_t(__cdecl*)(void* block);

constexpr unsigned char kFreedByte = 0xDD;
// Far more than a process frees on its way out; blocks beyond go back to the heap unwatched.
constexpr std::size_t kQuarantineCapacity = 1 << 16;

struct FreedBlock {
    const unsigned char* bytes;
    std::size_t size;
};

// Plain values and memory of the system's own: nothing here is destroyed before the process
// is gone.
FreedBlock* g_quarantine = nullptr;
std::atomic<std::size_t> g_freedBlocks{0};
void* g_originalFree = nullptr;
SizeFunction g_blockSize = nullptr;

void __cdecl quarantiningFree(void* block) {
    if (block == nullptr) return;
    const std::size_t slot = g_freedBlocks.fetch_add(1);
    if (slot >= kQuarantineCapacity) {
        reinterpret_cast<FreeFunction>(g_originalFree)(block);
        return;
    }
    const std::size_t size = g_blockSize(block);
    std::memset(block, kFreedByte, size);
    g_quarantine[slot] = {static_cast<const unsigned char*>(block), size};
}

}  // namespace

bool quarantineFreedMemory() {
    const HMODULE msvcrt = GetModuleHandleW(L"msvcrt.dll");
    if (msvcrt == nullptr) return false;
    g_quarantine = static_cast<FreedBlock*>(VirtualAlloc(nullptr,
                                                         kQuarantineCapacity * sizeof(FreedBlock),
                                                         MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (g_quarantine == nullptr) return false;
    g_blockSize = reinterpret_cast<SizeFunction>(
        reinterpret_cast<void*>(GetProcAddress(msvcrt, "_msize")));
    g_originalFree = reinterpret_cast<void*>(GetProcAddress(msvcrt, "free"));
    return g_blockSize != nullptr && g_originalFree != nullptr &&
           installInlineHook(&g_originalFree, reinterpret_cast<void*>(quarantiningFree));
}

const void* firstWrittenFreedBlock() {
    if (g_quarantine == nullptr) return nullptr;
    const std::size_t count = std::min(g_freedBlocks.load(), kQuarantineCapacity);
    for (std::size_t i = 0; i < count; ++i) {
        const FreedBlock& block = g_quarantine[i];
        if (block.bytes == nullptr) continue;  // its free is still filling it in
        const unsigned char* const end = block.bytes + block.size;
        const auto written = [](unsigned char byte) { return byte != kFreedByte; };
        if (std::find_if(block.bytes, end, written) != end) return block.bytes;
    }
    return nullptr;
}

}  // namespace HostGame
