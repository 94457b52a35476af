#include "bridge/range_limit_scan.h"

#include "bridge/message_push.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string_view>

namespace Tovek::KV9Lua {

namespace {

// The texts of the four failed assertions, without their NUL; the first is a leading part of the
// game's longer text.
constexpr std::string_view kRangeLimitTexts[] = {
    "m_cachedPos.X()<10000.f && m_cachedPos.Y()<10000.f && m_cachedPos",
    "curDir.X()<10000.f && curDir.Y()<10000.f && curDir.Z()<10000.f",
    "prevPos.X()<10000.f && prevPos.Y()<10000.f && prevPos.Z()<10000.f",
    "nextPos.X()<10000.f && nextPos.Y()<10000.f && nextPos.Z()<10000.f",
};

// Cache ids: each text with the checker that was found at the same position.
struct IdPair {
    uint32_t text;
    uint32_t checker;
};
constexpr IdPair kIdTable[] = {{4, 8}, {5, 9}, {6, 10}, {7, 11}};

constexpr float kGameRangeLimit = 10000.0f;
constexpr uint32_t kCheckerLength = 8;
constexpr uint32_t kCallWindow = 128;

bool holdsGameLimit(const TheGameModule& module, uint32_t address) {
    if (!liesInside(module, address, sizeof(float))) return false;
    float value;
    std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
    return value == kGameRangeLimit;
}

// The index of the message pushed right after exactly two calls in [window, window + 128), with
// no jmp, ret or third call before it.
std::optional<std::size_t> pushedAfterTwoCalls(const ZydisDecoder& decoder, uint32_t window,
                                               const std::vector<uint32_t>& messageAddresses) {
    const uint32_t end = window + kCallWindow;
    int calls = 0;
    ScannedInstruction scanned;
    for (uint32_t at = window; at < end; at += scanned.instruction.length) {
        if (!tryDecode(decoder, at, end, scanned)) return std::nullopt;
        switch (scanned.instruction.mnemonic) {
            case ZYDIS_MNEMONIC_CALL:
                if (++calls == 3) return std::nullopt;
                break;
            case ZYDIS_MNEMONIC_JMP:
            case ZYDIS_MNEMONIC_RET:
                return std::nullopt;
            case ZYDIS_MNEMONIC_PUSH:
                if (calls == 2) {
                    // A push has no relative immediate, so this is the plain 32-bit value.
                    const auto index = findPushedMessage(scanned.instruction, scanned.operands, at,
                                                         messageAddresses);
                    if (index) return index;
                }
                break;
            default:
                break;
        }
    }
    return std::nullopt;
}

// One scan's state: what it found and what it consumed.
struct CheckerSearch {
    const TheGameModule& module;
    const ZydisDecoder& decoder;
    uint32_t end;
    std::vector<uint32_t>& messageAddresses;
    std::optional<uint32_t>& candidateFloat;
    uint32_t maxCount;
    std::vector<uint32_t> found;

    // Tests the start; true once maxCount checkers are found.
    bool tryStart(uint32_t start) {
        ScannedInstruction movss;
        if (!tryDecode(decoder, start, end, movss)) return false;
        const ZydisDecodedInstruction& instruction = movss.instruction;
        if (instruction.mnemonic != ZYDIS_MNEMONIC_MOVSS || instruction.operand_count_visible < 2 ||
            instruction.length != kCheckerLength ||
            movss.operands[1].type != ZYDIS_OPERAND_TYPE_MEMORY) {
            return false;
        }
        ZyanU64 absolute = 0;
        if (!ZYAN_SUCCESS(
                ZydisCalcAbsoluteAddress(&instruction, &movss.operands[1], start, &absolute)) ||
            absolute > 0xFFFFFFFFu) {
            return false;
        }
        const auto limit = static_cast<uint32_t>(absolute);
        if (candidateFloat ? limit != *candidateFloat : !holdsGameLimit(module, limit)) {
            return false;
        }
        const uint32_t window = start + kCheckerLength;
        if (end - window < kCallWindow) return false;
        const auto message = pushedAfterTwoCalls(decoder, window, messageAddresses);
        if (!message) return false;

        messageAddresses.erase(messageAddresses.begin() + static_cast<std::ptrdiff_t>(*message));
        found.push_back(start);
        if (!candidateFloat) candidateFloat = limit;
        return found.size() >= maxCount;
    }
};

}  // namespace

std::vector<uint32_t> scanRangeLimitCheckerExhaustive(const TheGameModule& module,
                                                      const ZydisDecoder& decoder, uint32_t begin,
                                                      uint32_t end,
                                                      std::vector<uint32_t>& messageAddresses,
                                                      std::optional<uint32_t>& candidateFloat,
                                                      uint32_t maxCount) {
    CheckerSearch search{module, decoder, end, messageAddresses, candidateFloat, maxCount, {}};
    for (uint32_t start = begin; start < end; ++start) {
        if (search.tryStart(start)) break;
    }
    return search.found;
}

// Only the mnemonic `movss` passes, and its legacy encoding (VEX and EVEX give `vmovss`) is
// prefixes, then the opcode bytes 0F 10 or 0F 11 side by side, then the operands. In an 8-byte
// instruction that pair starts at most 6 bytes after the instruction, so every start that can
// pass lies 0 to 6 bytes before a 0F 10 or 0F 11 pair inside [begin, end). Those starts are
// tried in ascending order, each once, exactly as the exhaustive scan tries them, and every
// other start would fail its first test there.
std::vector<uint32_t> scanRangeLimitCheckerFast(const TheGameModule& module,
                                                const ZydisDecoder& decoder, uint32_t begin,
                                                uint32_t end,
                                                std::vector<uint32_t>& messageAddresses,
                                                std::optional<uint32_t>& candidateFloat,
                                                uint32_t maxCount) {
    constexpr uint32_t kMaxLead = kCheckerLength - 2;
    CheckerSearch search{module, decoder, end, messageAddresses, candidateFloat, maxCount, {}};
    uint32_t untried = begin;  // the lowest start not tried yet
    for (uint32_t escape = begin; end > escape && end - escape >= 2; ++escape) {
        // The pair's second byte must lie before end too.
        const void* hit =
            std::memchr(reinterpret_cast<const void*>(escape), 0x0F, end - 1 - escape);
        if (hit == nullptr) break;
        escape = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hit));
        const uint8_t opcode = *reinterpret_cast<const uint8_t*>(escape + 1);
        if (opcode != 0x10 && opcode != 0x11) continue;
        const uint32_t lowest = escape - begin > kMaxLead ? escape - kMaxLead : begin;
        for (uint32_t start = std::max(lowest, untried); start <= escape; ++start) {
            if (search.tryStart(start)) return search.found;
        }
        untried = escape + 1;
    }
    return search.found;
}

std::vector<uint32_t> verifyCachedRangeLimitCheckers(PointersCache& cache,
                                                     const TheGameModule& module,
                                                     const ZydisDecoder& decoder,
                                                     RangeLimitScan scan) {
    std::vector<uint32_t> messageAddresses;
    std::set<uint32_t> checkers;
    for (const IdPair& ids : kIdTable) {
        const auto text = static_cast<uint32_t>(cache.find(ids.text));
        const auto checker = static_cast<uint32_t>(cache.find(ids.checker));
        if (text == 0 || checker == 0) return {};
        messageAddresses.push_back(text);
        if (!checkers.insert(checker).second) return {};
    }
    std::optional<uint32_t> candidateFloat;
    std::vector<uint32_t> verified;
    while (!checkers.empty()) {
        const uint32_t start = *checkers.begin();
        if (!liesInside(module, start, 1)) return {};
        const auto found =
            scan(module, decoder, start, module.end, messageAddresses, candidateFloat, 1);
        if (found.empty() || checkers.erase(found.front()) == 0) return {};
        verified.push_back(found.front());
    }
    if (verified.size() != std::size(kIdTable)) return {};
    return verified;
}

std::vector<uint32_t> searchRangeLimitCheckers(PointersCache& cache, const TheGameModule& module,
                                               const ZydisDecoder& decoder, RangeLimitScan scan) {
    for (const IdPair& ids : kIdTable) {
        cache.set(ids.text, 0);
        cache.set(ids.checker, 0);
    }
    std::vector<uint32_t> messageAddresses;
    for (const std::string_view text : kRangeLimitTexts) {
        const auto found =
            findBytePattern(module, reinterpret_cast<const uint8_t*>(text.data()), text.size());
        messageAddresses.insert(messageAddresses.end(), found.begin(), found.end());
    }
    const std::vector<uint32_t> textAddresses = messageAddresses;
    std::optional<uint32_t> candidateFloat;
    const auto checkers = scan(module, decoder, module.begin, module.end, messageAddresses,
                               candidateFloat, 0xFFFFFFFF);
    if (checkers.size() != std::size(kIdTable) || !messageAddresses.empty()) {
        throw std::runtime_error("Failed to find game range limit checkers");
    }
    for (std::size_t i = 0; i < std::size(kIdTable); ++i) {
        cache.set(kIdTable[i].text, textAddresses[i]);
        cache.set(kIdTable[i].checker, checkers[i]);
    }
    return checkers;
}

std::vector<uint32_t> findRangeLimitCheckers(PointersCache& cache, RangeLimitScan scan) {
    const TheGameModule module = getMainModuleRange();
    const ZydisDecoder decoder = makeLegacy32Decoder();
    std::vector<uint32_t> checkers = verifyCachedRangeLimitCheckers(cache, module, decoder, scan);
    if (checkers.size() == std::size(kIdTable)) return checkers;
    return searchRangeLimitCheckers(cache, module, decoder, scan);
}

}  // namespace Tovek::KV9Lua
