#include "code_scan.h"

#include <windows.h>
#include <psapi.h>

#include <cstring>
#include <stdexcept>

namespace Tovek::KV9Lua {

namespace {

constexpr uint32_t kWalkWindow = 256;

DecoderCursor walkCursor(const ZydisDecoder& decoder, uint32_t function) {
    const uint32_t end = function + kWalkWindow;  // wraps past 4 GiB for functions near the top
    if (end <= function) throw std::invalid_argument("Decoder begin >= end");
    return DecoderCursor{&decoder, function, end};
}

}  // namespace

TheGameModule getMainModuleRange() {
    MODULEINFO info{};
    if (K32GetModuleInformation(GetCurrentProcess(), GetModuleHandleW(nullptr), &info,
                                sizeof info) == 0) {
        throw std::runtime_error("cannot get module information");
    }
    const auto begin = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info.lpBaseOfDll));
    return TheGameModule{begin, begin + static_cast<uint32_t>(info.SizeOfImage),
                         static_cast<uint32_t>(info.SizeOfImage)};
}

std::vector<uint32_t> findBytePattern(const TheGameModule& range, const uint8_t* pattern,
                                      std::size_t length) {
    std::vector<uint32_t> found;
    if (range.end < range.begin || range.end - range.begin < length) return found;
    const auto* position = reinterpret_cast<const uint8_t*>(range.begin);
    const auto* last = reinterpret_cast<const uint8_t*>(range.end - length);
    // memchr skips to the next candidate whose first byte matches; every position is still
    // compared in order, so overlapping matches are all found.
    while (position <= last) {
        position = static_cast<const uint8_t*>(
            std::memchr(position, pattern[0], static_cast<std::size_t>(last - position) + 1));
        if (position == nullptr) break;
        if (std::memcmp(position, pattern, length) == 0) {
            found.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(position)));
        }
        ++position;
    }
    return found;
}

bool tryDecode(const ZydisDecoder& decoder, uint32_t address, uint32_t end,
               ScannedInstruction& scanned) {
    scanned.address = address;
    return ZYAN_SUCCESS(ZydisDecoderDecodeFull(&decoder, reinterpret_cast<const void*>(address),
                                               end - address, &scanned.instruction,
                                               scanned.operands));
}

ScannedInstruction DecoderCursor::next() {
    if (m_current >= m_end) throw std::out_of_range("Decoder m_current >= m_end");
    ScannedInstruction scanned{};
    if (!tryDecode(*decoder, m_current, m_end, scanned)) {
        throw std::runtime_error("Failed to decode instruction");
    }
    m_current += scanned.instruction.length;
    return scanned;
}

uint32_t getAbsoluteTarget(const ZydisDecodedInstruction& instruction,
                           const ZydisDecodedOperand* operands, uint32_t address) {
    if (instruction.operand_count_visible == 0) {
        throw std::runtime_error("`call` / `push` instruction without operand");
    }
    const ZydisDecodedOperand& operand = operands[0];
    if (operand.type != ZYDIS_OPERAND_TYPE_IMMEDIATE) {
        throw std::runtime_error("`call` / `push` instruction operand is not immediate");
    }
    if (!operand.imm.is_relative) {
        throw std::runtime_error("`call` / `push` instruction operand immediate is not relative");
    }
    ZyanU64 target = 0;
    if (!ZYAN_SUCCESS(ZydisCalcAbsoluteAddress(&instruction, &operand, address, &target))) {
        throw std::runtime_error("Failed to calculate absolute address");
    }
    return static_cast<uint32_t>(target);
}

ZydisDecoder makeLegacy32Decoder() {
    ZydisDecoder decoder;
    if (!ZYAN_SUCCESS(ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LEGACY_32,
                                       ZYDIS_STACK_WIDTH_32))) {
        throw std::runtime_error("Failed to initialize ZydisDecoder");
    }
    return decoder;
}

uint32_t findNthCall(const ZydisDecoder& decoder, uint32_t function, int n, int retsAllowed) {
    DecoderCursor cursor = walkCursor(decoder, function);
    for (;;) {
        const ScannedInstruction scanned = cursor.next();
        switch (scanned.instruction.mnemonic) {
            case ZYDIS_MNEMONIC_CALL:
                if (n == 0) return getAbsoluteTarget(scanned);
                --n;
                break;
            case ZYDIS_MNEMONIC_JMP:
                throw std::out_of_range("Function ended without having performed any calls");
            case ZYDIS_MNEMONIC_RET:
                if (retsAllowed < 1) {
                    throw std::out_of_range("Function ended without having performed any calls");
                }
                --retsAllowed;
                break;
            default:
                break;
        }
    }
}

uint32_t findFirstCall(const ZydisDecoder& decoder, uint32_t function) {
    return findNthCall(decoder, function, 0, 0);
}

uint32_t findLastCallBeforeRet(const ZydisDecoder& decoder, uint32_t function) {
    DecoderCursor cursor = walkCursor(decoder, function);
    bool haveCall = false;
    ScannedInstruction lastCall{};
    for (;;) {
        ScannedInstruction scanned = cursor.next();
        if (scanned.instruction.mnemonic == ZYDIS_MNEMONIC_CALL) {
            lastCall = scanned;
            haveCall = true;
        } else if (scanned.instruction.mnemonic == ZYDIS_MNEMONIC_RET) {
            if (!haveCall) throw std::runtime_error("encountered a `ret` before call");
            return getAbsoluteTarget(lastCall);
        }
    }
}

}  // namespace Tovek::KV9Lua
