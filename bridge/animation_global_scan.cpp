#include "bridge/animation_global_scan.h"

#include <stdexcept>

namespace Tovek::KV9Lua {

namespace {

constexpr uint32_t kScanWindow = 128;
constexpr int64_t kContextMemberOffset = 0x128;

bool isMov32WithTwoOperands(const ScannedInstruction& scanned) {
    const ZydisDecodedInstruction& instruction = scanned.instruction;
    return instruction.mnemonic == ZYDIS_MNEMONIC_MOV && instruction.address_width == 32 &&
           instruction.operand_count_visible >= 2;
}

// mov x, [r + 0x128] with r holding a tracked address: that address is the global.
std::optional<uint32_t> contextMemberLoad(const RegisterTracker& tracker,
                                          const ScannedInstruction& scanned) {
    if (!isMov32WithTwoOperands(scanned)) return std::nullopt;
    const ZydisDecodedOperand& source = scanned.operands[1];
    if (source.type != ZYDIS_OPERAND_TYPE_MEMORY || !source.mem.disp.has_displacement ||
        source.mem.disp.value != kContextMemberOffset || source.mem.index != ZYDIS_REGISTER_NONE) {
        return std::nullopt;
    }
    return tracker.addressIn(source.mem.base);
}

}  // namespace

void RegisterTracker::trackMovDisplacement(ZydisMachineMode mode,
                                           const ScannedInstruction& scanned) {
    m_recorded = ZYDIS_REGISTER_NONE;
    if (!isMov32WithTwoOperands(scanned)) return;
    const ZydisDecodedOperand& target = scanned.operands[0];
    const ZydisDecodedOperand& source = scanned.operands[1];
    if (target.type != ZYDIS_OPERAND_TYPE_REGISTER ||
        ZydisRegisterGetWidth(mode, target.reg.value) != 32) {
        return;
    }
    if (source.type != ZYDIS_OPERAND_TYPE_MEMORY || source.mem.type != ZYDIS_MEMOP_TYPE_MEM ||
        !source.mem.disp.has_displacement || source.mem.base != ZYDIS_REGISTER_NONE ||
        source.mem.index != ZYDIS_REGISTER_NONE) {
        return;
    }
    // Zydis sign-extends the 32-bit displacement, so addresses from 2 GiB up come out negative.
    const int64_t displacement = source.mem.disp.value;
    if (displacement < 1 || displacement > 0xFFFFFFFF) {
        throw std::runtime_error("unexpected mem disp value");
    }
    m_addresses[target.reg.value] = static_cast<uint32_t>(displacement);
    m_recorded = target.reg.value;
}

void RegisterTracker::forgetOverwritten(const ScannedInstruction& scanned) {
    if (scanned.instruction.operand_count_visible < 1) return;
    const ZydisDecodedOperand& target = scanned.operands[0];
    if (target.type == ZYDIS_OPERAND_TYPE_REGISTER && target.reg.value != m_recorded) {
        m_addresses.erase(target.reg.value);
    }
}

std::optional<uint32_t> RegisterTracker::addressIn(ZydisRegister reg) const {
    const auto found = m_addresses.find(reg);
    if (found == m_addresses.end()) return std::nullopt;
    return found->second;
}

uint32_t scanGlobalFromCode(const ZydisDecoder& decoder, uint32_t functionAddress) {
    const uint32_t end = functionAddress + kScanWindow;  // wraps past 4 GiB near the top
    if (end <= functionAddress) throw std::invalid_argument("Decoder begin >= end");
    DecoderCursor cursor{&decoder, functionAddress, end};
    RegisterTracker tracker;
    for (;;) {
        const ScannedInstruction scanned = cursor.next();
        tracker.trackMovDisplacement(decoder.machine_mode, scanned);
        // Tested before the overwrite is forgotten: mov eax, [eax + 0x128] still matches.
        if (const auto global = contextMemberLoad(tracker, scanned)) return *global;
        tracker.forgetOverwritten(scanned);
    }
}

}  // namespace Tovek::KV9Lua
