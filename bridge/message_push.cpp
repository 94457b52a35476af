#include "bridge/message_push.h"

#include <algorithm>

namespace Tovek::KV9Lua {

std::optional<uint32_t> pushedImmediate(const ZydisDecodedInstruction& instruction,
                                        const ZydisDecodedOperand* operands, uint32_t address) {
    if (instruction.mnemonic != ZYDIS_MNEMONIC_PUSH || instruction.operand_count_visible < 1 ||
        operands[0].type != ZYDIS_OPERAND_TYPE_IMMEDIATE) {
        return std::nullopt;
    }
    if (operands[0].imm.is_relative) return getAbsoluteTarget(instruction, operands, address);
    if (operands[0].imm.value.u > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uint32_t>(operands[0].imm.value.u);
}

std::optional<std::size_t> findPushedMessage(const ZydisDecodedInstruction& instruction,
                                             const ZydisDecodedOperand* operands, uint32_t address,
                                             const std::vector<uint32_t>& messageAddresses) {
    const std::optional<uint32_t> value = pushedImmediate(instruction, operands, address);
    if (!value) return std::nullopt;
    const auto match = std::find(messageAddresses.begin(), messageAddresses.end(), *value);
    if (match == messageAddresses.end()) return std::nullopt;
    return static_cast<std::size_t>(match - messageAddresses.begin());
}

bool isMessagePush(const ZydisDecodedInstruction& instruction, const ZydisDecodedOperand* operands,
                   uint32_t address, const std::vector<uint32_t>& messageAddresses) {
    return findPushedMessage(instruction, operands, address, messageAddresses).has_value();
}

}  // namespace Tovek::KV9Lua
