#pragma once

// Scanning the game module's code: its range, byte patterns and Zydis decoding walks.

#include <Zydis/Zydis.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zo::KV9RudiVeruv {

// The game executable's image in memory.
struct TheGameModule {
    uint32_t begin;
    uint32_t end;  // exclusive
    uint32_t size;
};

// The length bytes from address lie inside the module. Summed in 64 bits, so that no range near
// the top of the address space wraps into the module.
inline bool liesInside(const TheGameModule& module, uint64_t address, uint64_t length) {
    return address >= module.begin && address + length <= module.end;
}

}  // namespace Zo::KV9RudiVeruv

namespace Tovek::KV9Lua {

using Zo::KV9RudiVeruv::liesInside;
using Zo::KV9RudiVeruv::TheGameModule;

TheGameModule getMainModuleRange();

// Every address in [range.begin, range.end) where the pattern starts, ascending, overlaps included.
std::vector<uint32_t> findBytePattern(const TheGameModule& range, const uint8_t* pattern,
                                      std::size_t length);

// Zydis 4 decodes the operands into an array apart from the instruction record.
struct ScannedInstruction {
    uint32_t address;
    ZydisDecodedInstruction instruction;
    ZydisDecodedOperand operands[ZYDIS_MAX_OPERAND_COUNT];
};

// Decodes the instruction at address from the bytes [address, end); false when it does not decode.
bool tryDecode(const ZydisDecoder& decoder, uint32_t address, uint32_t end,
               ScannedInstruction& scanned);

// Decodes one instruction after another inside [m_current, m_end), never reading past m_end.
struct DecoderCursor {
    const ZydisDecoder* decoder;
    uint32_t m_current;
    uint32_t m_end;

    ScannedInstruction next();
};

// The absolute address a relative-immediate first operand points to, for an instruction at address.
uint32_t getAbsoluteTarget(const ZydisDecodedInstruction& instruction,
                           const ZydisDecodedOperand* operands, uint32_t address);
inline uint32_t getAbsoluteTarget(const ScannedInstruction& scanned) {
    return getAbsoluteTarget(scanned.instruction, scanned.operands, scanned.address);
}

// A 32-bit legacy-mode decoder with 32-bit addresses; throws when Zydis refuses.
ZydisDecoder makeLegacy32Decoder();

// The walks over the first 256 bytes of a function.
uint32_t findNthCall(const ZydisDecoder& decoder, uint32_t function, int n, int retsAllowed);
uint32_t findFirstCall(const ZydisDecoder& decoder, uint32_t function);
uint32_t findLastCallBeforeRet(const ZydisDecoder& decoder, uint32_t function);

}  // namespace Tovek::KV9Lua
