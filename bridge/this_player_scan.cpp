#include "bridge/this_player_scan.h"

#include "bridge/message_push.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace Tovek::KV9Lua {

namespace {

constexpr char kThisPlayerText[] = " does not exist.  Ignoring request.";
constexpr uint32_t kThisPlayerTextLength = sizeof kThisPlayerText - 1;
constexpr uint32_t kPushCacheId = 3;
constexpr uint32_t kWalkWindow = 256;

// The longest x86 instruction; a `push imm32` ends with its immediate.
constexpr uint32_t kMaxInstructionLength = 15;
constexpr uint32_t kImm32Length = 4;

// Exactly where findBytePattern over the module reports the text, without searching the module.
bool isThisPlayerTextAt(const TheGameModule& module, uint32_t address) {
    return liesInside(module, address, kThisPlayerTextLength) &&
           std::memcmp(reinterpret_cast<const void*>(address), kThisPlayerText,
                       kThisPlayerTextLength) == 0;
}

// The cached push still pushes an occurrence of the text. Asking whether the pushed value is an
// occurrence gives the same answer as looking it up among all occurrences, and lets a warm
// start-up leave the rest of the module unread.
bool isCachedPush(const TheGameModule& module, const ZydisDecoder& decoder, uint32_t cached,
                  ScannedInstruction& push) {
    if (!liesInside(module, cached, 1)) return false;
    if (!tryDecode(decoder, cached, module.end, push)) return false;
    const std::optional<uint32_t> value = pushedImmediate(push.instruction, push.operands, cached);
    return value && isThisPlayerTextAt(module, *value);
}

bool isEcxDestination(const ScannedInstruction& scanned) {
    return scanned.instruction.operand_count_visible >= 1 &&
           scanned.operands[0].type == ZYDIS_OPERAND_TYPE_REGISTER &&
           scanned.operands[0].reg.value == ZYDIS_REGISTER_ECX;
}

// `dword ptr [abs32]` with a non-zero address.
bool isAbsoluteMemory(const ZydisDecodedInstruction& instruction,
                      const ZydisDecodedOperand& operand) {
    return operand.mem.type == ZYDIS_MEMOP_TYPE_MEM && operand.mem.disp.has_displacement &&
           operand.mem.base == ZYDIS_REGISTER_NONE && operand.mem.index == ZYDIS_REGISTER_NONE &&
           instruction.address_width == 32 && operand.mem.disp.value != 0;
}

}  // namespace

uint32_t findFirstMessagePushExhaustive(const TheGameModule& module, const ZydisDecoder& decoder,
                                        const std::vector<uint32_t>& messageAddresses) {
    ScannedInstruction scanned;
    for (uint32_t start = module.begin; start < module.end; ++start) {
        if (tryDecode(decoder, start, module.end, scanned) &&
            isMessagePush(scanned.instruction, scanned.operands, start, messageAddresses)) {
            return start;
        }
    }
    return 0;
}

// x86 has no push of a relative immediate, and its sign-extended imm8 (6A) and imm16 (66 68)
// forms only yield values below 0x10000 or from 0xFFFF0000 up. So a push of an address in
// between is a `push imm32` whose last four bytes are that address, little-endian; being 5 to
// 15 bytes long, it starts 1 to 11 bytes before such an occurrence of the four bytes. Only those
// starts are decoded, in ascending order, so the first match is the exhaustive scan's. A list
// with an address outside that range (never a text in a loaded image) takes the exhaustive scan.
uint32_t findFirstMessagePushFast(const TheGameModule& module, const ZydisDecoder& decoder,
                                  const std::vector<uint32_t>& messageAddresses) {
    const bool imm32Only = std::all_of(messageAddresses.begin(), messageAddresses.end(),
                                       [](uint32_t a) { return a >= 0x10000 && a < 0xFFFF0000; });
    if (!imm32Only) return findFirstMessagePushExhaustive(module, decoder, messageAddresses);

    constexpr uint32_t kMaxLead = kMaxInstructionLength - kImm32Length;
    std::vector<uint32_t> starts;
    for (const uint32_t message : messageAddresses) {
        uint8_t imm32[kImm32Length];
        std::memcpy(imm32, &message, sizeof imm32);
        for (const uint32_t occurrence : findBytePattern(module, imm32, sizeof imm32)) {
            const uint32_t first =
                occurrence - module.begin > kMaxLead ? occurrence - kMaxLead : module.begin;
            for (uint32_t start = first; start < occurrence; ++start) starts.push_back(start);
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());

    ScannedInstruction scanned;
    for (const uint32_t start : starts) {
        if (tryDecode(decoder, start, module.end, scanned) &&
            isMessagePush(scanned.instruction, scanned.operands, start, messageAddresses)) {
            return start;
        }
    }
    return 0;
}

uint32_t findEcxGlobalAfterPush(const ZydisDecoder& decoder, uint32_t afterPush) {
    const uint32_t end = afterPush + kWalkWindow;
    if (end <= afterPush) throw std::invalid_argument("Decoder begin >= end");
    DecoderCursor cursor{&decoder, afterPush, end};
    while (cursor.next().instruction.mnemonic != ZYDIS_MNEMONIC_CALL) {
    }
    std::optional<uint32_t> recorded;
    for (;;) {
        const ScannedInstruction scanned = cursor.next();
        if (scanned.instruction.mnemonic == ZYDIS_MNEMONIC_CALL) {
            if (!recorded) throw std::runtime_error("failed to find suitable ecx value");
            return *recorded;
        }
        if (!isEcxDestination(scanned)) continue;
        if (scanned.instruction.mnemonic != ZYDIS_MNEMONIC_MOV) {
            recorded.reset();
            continue;
        }
        if (scanned.instruction.operand_count < 2) {
            throw std::runtime_error("mov instruction.operand_count < 2");
        }
        const ZydisDecodedOperand& source = scanned.operands[1];
        if (source.type != ZYDIS_OPERAND_TYPE_MEMORY) {
            recorded.reset();
        } else if (isAbsoluteMemory(scanned.instruction, source)) {
            recorded = static_cast<uint32_t>(source.mem.disp.value);
        }
    }
}

uint32_t findThisPlayerGlobal(PointersCache& cache, FirstMessagePushScan findFirstMessagePush) {
    const TheGameModule module = getMainModuleRange();
    const ZydisDecoder decoder = makeLegacy32Decoder();
    ScannedInstruction push;
    if (const auto cached = static_cast<uint32_t>(cache.find(kPushCacheId))) {
        if (!isCachedPush(module, decoder, cached, push)) {
            cache.set(kPushCacheId, 0);
            throw std::runtime_error("Cannot find suitable push instruction");
        }
    } else {
        const auto texts = findBytePattern(
            module, reinterpret_cast<const uint8_t*>(kThisPlayerText), kThisPlayerTextLength);
        const uint32_t found = findFirstMessagePush(module, decoder, texts);
        if (found == 0 || !tryDecode(decoder, found, module.end, push)) {
            throw std::runtime_error("Cannot find suitable push instruction");
        }
        cache.set(kPushCacheId, found);
    }
    return findEcxGlobalAfterPush(decoder, push.address + push.instruction.length);
}

}  // namespace Tovek::KV9Lua
