#include "bridge/base_lib_locator.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace Tovek::KV9Lua {

namespace {

uint32_t wordAt(uint32_t address) {
    uint32_t value;
    std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
    return value;
}

bool inside(const TheGameModule& module, uint32_t address) {
    return module.begin <= address && address <= module.end - 1;
}

// A record {name, function} whose name lies inside the module (with room for textLength bytes
// after it), whose function lies inside, and whose name is exactly text.
bool isRecordNamed(const TheGameModule& module, uint32_t record, const char* text) {
    const std::size_t textLength = std::strlen(text);
    const uint32_t name = wordAt(record);
    if (!inside(module, name) || !inside(module, name + static_cast<uint32_t>(textLength))) {
        return false;
    }
    if (!inside(module, wordAt(record + 4))) return false;
    return std::memcmp(reinterpret_cast<const void*>(name), text, textLength + 1) == 0;
}

// The lowest-addressed reference that passes. Candidates are tested on a few threads, each
// taking every n-th one and giving up once a lower passing index is known.
const uint32_t* firstPassing(const TheGameModule& module, const std::vector<uint32_t>& refs) {
    const std::size_t threads = std::min<std::size_t>(
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8), refs.size() / 64 + 1);
    std::atomic<std::size_t> best{refs.size()};
    auto worker = [&](std::size_t first) {
        for (std::size_t i = first; i < best.load(); i += threads) {
            if (isBaseLibEntryReference(module, refs[i])) {
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
    if (reference < module.begin || reference - module.begin < 8 || reference >= module.end ||
        module.end - reference < 16) {
        return false;
    }
    return isRecordNamed(module, reference - 8, "_ALERT") &&
           isRecordNamed(module, reference + 8, "call");
}

uint32_t locateBaseLibEntries() {
    const TheGameModule module = getMainModuleRange();
    static constexpr char kName[] = "_ERRORMESSAGE";
    const auto texts = findBytePattern(module, reinterpret_cast<const uint8_t*>(kName),
                                       sizeof kName - 1);
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
        if (module.size < 32 || after < module.begin || after > module.end - 32) continue;
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

}  // namespace Tovek::KV9Lua
