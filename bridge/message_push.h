#pragma once

// Recognising the game's `push offset <text>` of a text whose addresses are known.

#include "bridge/code_scan.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace Tovek::KV9Lua {

// The value a `push` of an immediate puts on the stack: a relative immediate counts by its
// target, an absolute one only when it fits in 32 bits. Nothing for any other instruction.
std::optional<uint32_t> pushedImmediate(const ZydisDecodedInstruction& instruction,
                                        const ZydisDecodedOperand* operands, uint32_t address);

// The index in messageAddresses of the address this instruction, decoded at address, pushes.
std::optional<std::size_t> findPushedMessage(const ZydisDecodedInstruction& instruction,
                                             const ZydisDecodedOperand* operands, uint32_t address,
                                             const std::vector<uint32_t>& messageAddresses);

bool isMessagePush(const ZydisDecodedInstruction& instruction, const ZydisDecodedOperand* operands,
                   uint32_t address, const std::vector<uint32_t>& messageAddresses);

}  // namespace Tovek::KV9Lua
