#pragma once

// The game's animation Lua global, read from the start of one of the game's native Lua functions:
// the function loads the global into a register and then reads the context member at +0x128
// through that register.

#include "bridge/code_scan.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace Tovek::KV9Lua {

// Which 32-bit register last received which absolute address, during one scan.
class RegisterTracker {
public:
    // Records a `mov r32, [abs32]`; throws on a zero or negative absolute address.
    void trackMovDisplacement(ZydisMachineMode mode, const ScannedInstruction& scanned);
    // Drops the register in operand 0, unless this instruction just recorded it.
    void forgetOverwritten(const ScannedInstruction& scanned);
    std::optional<uint32_t> addressIn(ZydisRegister reg) const;

private:
    std::unordered_map<ZydisRegister, uint32_t> m_addresses;
    ZydisRegister m_recorded = ZYDIS_REGISTER_NONE;
};

// The global that the function at functionAddress reads through a register within its first
// 128 bytes; throws when there is none.
uint32_t scanGlobalFromCode(const ZydisDecoder& decoder, uint32_t functionAddress);

}  // namespace Tovek::KV9Lua
