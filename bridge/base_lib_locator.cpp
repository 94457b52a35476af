#include "bridge/base_lib_locator.h"

#include "bridge/game_memory.h"
#include "bridge/kv9_lua.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace Tovek::KV9Lua {

namespace {

// The length (at least 1) bytes at address lie inside the module and are those of text.
bool holdsText(const TheGameModule& module, uint32_t address, const char* text,
               std::size_t length) {
    if (!liesInside(module, address, length)) return false;
    return std::memcmp(reinterpret_cast<const void*>(address), text, length) == 0;
}

// A record {name, function} whose function lies inside the module and whose name is exactly
// text, its terminating zero inside too.
bool isRecordNamed(const TheGameModule& module, uint32_t record, const char* text) {
    return liesInside(module, readAt<uint32_t>(record + 4), 1) &&
           holdsText(module, readAt<uint32_t>(record), text, std::strlen(text) + 1);
}

constexpr DWORD kExecutable =
    PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

constexpr char kErrorMessageName[] = "_ERRORMESSAGE";
constexpr std::size_t kErrorMessageLength = sizeof kErrorMessageName - 1;  // found without its 0

// The lowest-addressed reference that passes. Candidates are tested on a few threads, each
// taking every n-th one and giving up once a lower passing index is known.
const uint32_t* firstPassing(const TheGameModule& module, const std::vector<uint32_t>& refs) {
    const std::size_t threads = std::min<std::size_t>(
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8), refs.size() / 64 + 1);
    std::atomic<std::size_t> best{refs.size()};
    auto worker = [&](std::size_t first) {
        for (std::size_t i = first; i < best.load(); i += threads) {
            if (isBaseLibArray(module, refs[i] - 8)) {
                std::size_t current = best.load();
                while (i < current && !best.compare_exchange_weak(current, i)) {
                }
                return;
            }
        }
    };
    if (threads == 1) {
        worker(0);
    } else {
        std::vector<std::jthread> pool;
        for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(worker, t);
    }
    return best.load() < refs.size() ? &refs[best.load()] : nullptr;
}

}  // namespace

bool isBaseLibEntryReference(const TheGameModule& module, uint32_t reference) {
    if (module.size == 0) return false;
    // A reference near either edge of the module would have its neighbour records outside it,
    // where memory may not be readable.
    if (!liesInside(module, reference - 8, 24)) return false;
    return isRecordNamed(module, reference - 8, "_ALERT") &&
           isRecordNamed(module, reference + 8, "call");
}

bool isBaseLibArray(const TheGameModule& module, uint32_t array) {
    constexpr uint32_t kArraySize = kBaseLibEntryCount * sizeof(LuaReg);
    if (!liesInside(module, array, kArraySize)) return false;
    const uint32_t reference = array + 8;
    return isBaseLibEntryReference(module, reference) &&
           holdsText(module, readAt<uint32_t>(reference), kErrorMessageName, kErrorMessageLength);
}

uint32_t locateBaseLibEntries() {
    const TheGameModule module = getMainModuleRange();
    const auto texts = findBytePattern(
        module, reinterpret_cast<const uint8_t*>(kErrorMessageName), kErrorMessageLength);
    for (const uint32_t text : texts) {
        uint8_t little[4];
        std::memcpy(little, &text, sizeof little);
        const auto refs = findBytePattern(module, little, sizeof little);
        if (const uint32_t* found = firstPassing(module, refs)) return *found - 8;
    }
    throw std::runtime_error("Cannot locate lua base lib entries");
}

uint32_t findLuaOpenlib(const ZydisDecoder& decoder, const uint8_t* pattern, std::size_t length) {
    const TheGameModule module = getMainModuleRange();
    for (const uint32_t occurrence : findBytePattern(module, pattern, length)) {
        const uint32_t after = occurrence + static_cast<uint32_t>(length);
        if (!liesInside(module, after, 32)) continue;
        try {
            DecoderCursor cursor{&decoder, after, after + 32};
            if (cursor.next().instruction.mnemonic != ZYDIS_MNEMONIC_PUSH) continue;
            const ScannedInstruction call = cursor.next();
            if (call.instruction.mnemonic != ZYDIS_MNEMONIC_CALL) continue;
            return findFirstCall(decoder, getAbsoluteTarget(call));
        } catch (const std::exception&) {
            // Not the call site; try the next occurrence.
        }
    }
    throw std::runtime_error("Cannot find luaL_openlib");
}

bool isGameCode(const TheGameModule& module, uint32_t address) {
    if (!liesInside(module, address, 1)) return false;
    MEMORY_BASIC_INFORMATION page{};
    return VirtualQuery(reinterpret_cast<const void*>(address), &page, sizeof page) != 0 &&
           page.State == MEM_COMMIT && (page.Protect & kExecutable) != 0;
}

}  // namespace Tovek::KV9Lua
