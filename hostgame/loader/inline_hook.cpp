#include "hostgame/loader/inline_hook.h"

#include <windows.h>

#include <Zydis/Zydis.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace HostGame {

namespace {

constexpr uint32_t kJmpRel32Length = 5;
// The stolen bytes are at most 4 + 15; each of at most three short branches among them grows
// by 4 when widened, and the jump back adds 5: 64 bytes always suffice.
constexpr uint32_t kTrampolineCapacity = 64;

// How a stolen instruction is written into the trampoline.
enum class Relocation {
    Copy,      // position-independent: copied as it is
    Repoint,   // rel32 call, jmp or jcc: copied with a new displacement
    WidenJmp,  // jmp rel8 -> jmp rel32
    WidenJcc,  // jcc rel8 -> jcc rel32
};

struct StolenInstruction {
    uint32_t address = 0;
    ZydisDecodedInstruction instruction{};
    Relocation relocation = Relocation::Copy;
    uint32_t destination = 0;  // where a branch leads; unused for Copy
};

struct StolenPrologue {
    std::vector<StolenInstruction> instructions;
    uint32_t length = 0;
};

uint32_t addressOf(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

const void* pointerTo(uint32_t address) { return reinterpret_cast<const void*>(address); }

// Bytes readable from address to the end of its memory region; 0 when it is not readable.
uint32_t readableBytes(uint32_t address) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(pointerTo(address), &info, sizeof info) == 0) return 0;
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0) return 0;
    return addressOf(info.BaseAddress) + static_cast<uint32_t>(info.RegionSize) - address;
}

std::optional<Relocation> relocationOf(const ZydisDecodedInstruction& instruction) {
    if ((instruction.attributes & ZYDIS_ATTRIB_IS_RELATIVE) == 0) return Relocation::Copy;
    const auto& immediate = instruction.raw.imm[0];
    // A 66 prefix would truncate the instruction pointer to 16 bits: not worth moving.
    if (!immediate.is_relative || instruction.operand_width != 32) return std::nullopt;
    const auto category = instruction.meta.category;
    const bool branch = category == ZYDIS_CATEGORY_CALL || category == ZYDIS_CATEGORY_UNCOND_BR ||
                        category == ZYDIS_CATEGORY_COND_BR;
    if (branch && immediate.size == 32) return Relocation::Repoint;
    if (immediate.size == 8 && instruction.mnemonic == ZYDIS_MNEMONIC_JMP) {
        return Relocation::WidenJmp;
    }
    // loop, loope, loopne and jecxz have no rel32 form.
    if (immediate.size == 8 && instruction.opcode_map == ZYDIS_OPCODE_MAP_DEFAULT &&
        instruction.opcode >= 0x70 && instruction.opcode <= 0x7F) {
        return Relocation::WidenJcc;
    }
    return std::nullopt;
}

// The whole instructions that the jmp rel32 will cover. Refused when one cannot be decoded or
// moved, when the function returns or jumps away before five bytes (the patch would spill
// into whatever follows), or when a stolen branch lands inside the overwritten bytes.
std::optional<StolenPrologue> stealPrologue(uint32_t function) {
    ZydisDecoder decoder;
    if (!ZYAN_SUCCESS(
            ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LEGACY_32, ZYDIS_STACK_WIDTH_32))) {
        return std::nullopt;
    }
    const uint32_t readable = readableBytes(function);
    StolenPrologue prologue;
    while (prologue.length < kJmpRel32Length) {
        StolenInstruction stolen;
        stolen.address = function + prologue.length;
        ZydisDecodedOperand operands[ZYDIS_MAX_OPERAND_COUNT];
        if (prologue.length >= readable ||
            !ZYAN_SUCCESS(ZydisDecoderDecodeFull(&decoder, pointerTo(stolen.address),
                                                 readable - prologue.length, &stolen.instruction,
                                                 operands))) {
            return std::nullopt;
        }
        const auto relocation = relocationOf(stolen.instruction);
        if (!relocation) return std::nullopt;
        stolen.relocation = *relocation;
        if (stolen.relocation != Relocation::Copy) {
            stolen.destination = stolen.address + stolen.instruction.length +
                                 static_cast<uint32_t>(stolen.instruction.raw.imm[0].value.s);
        }
        prologue.length += stolen.instruction.length;
        const auto category = stolen.instruction.meta.category;
        if ((category == ZYDIS_CATEGORY_RET || category == ZYDIS_CATEGORY_UNCOND_BR) &&
            prologue.length < kJmpRel32Length) {
            return std::nullopt;
        }
        prologue.instructions.push_back(stolen);
    }
    for (const StolenInstruction& stolen : prologue.instructions) {
        if (stolen.relocation != Relocation::Copy &&
            stolen.destination - function < prologue.length) {
            return std::nullopt;
        }
    }
    return prologue;
}

// Writes the displacement at `at` of an instruction that ends at `end`.
void writeRel32(uint8_t* at, uint32_t end, uint32_t destination) {
    const uint32_t displacement = destination - end;
    std::memcpy(at, &displacement, sizeof displacement);
}

// Writes `jmp destination` at `at`; returns the address after it.
uint8_t* writeJmpRel32(uint8_t* at, uint32_t destination) {
    at[0] = 0xE9;
    writeRel32(at + 1, addressOf(at) + kJmpRel32Length, destination);
    return at + kJmpRel32Length;
}

// The stolen instructions moved to the trampoline, then the jump back behind them.
void buildTrampoline(uint8_t* out, const StolenPrologue& prologue, uint32_t function) {
    for (const StolenInstruction& stolen : prologue.instructions) {
        const uint8_t length = stolen.instruction.length;
        switch (stolen.relocation) {
        case Relocation::Copy:
            std::memcpy(out, pointerTo(stolen.address), length);
            out += length;
            break;
        case Relocation::Repoint:
            std::memcpy(out, pointerTo(stolen.address), length);
            writeRel32(out + stolen.instruction.raw.imm[0].offset, addressOf(out) + length,
                       stolen.destination);
            out += length;
            break;
        case Relocation::WidenJmp:
            out = writeJmpRel32(out, stolen.destination);
            break;
        case Relocation::WidenJcc:
            out[0] = 0x0F;
            out[1] = static_cast<uint8_t>(0x80 | (stolen.instruction.opcode & 0x0F));
            writeRel32(out + 2, addressOf(out) + 6, stolen.destination);
            out += 6;
            break;
        }
    }
    writeJmpRel32(out, function + prologue.length);
}

bool writeJmpOverFunction(uint32_t function, uint32_t detour) {
    void* code = reinterpret_cast<void*>(function);
    DWORD protection = 0;
    if (!VirtualProtect(code, kJmpRel32Length, PAGE_EXECUTE_READWRITE, &protection)) {
        return false;
    }
    writeJmpRel32(static_cast<uint8_t*>(code), detour);
    VirtualProtect(code, kJmpRel32Length, protection, &protection);
    FlushInstructionCache(GetCurrentProcess(), code, kJmpRel32Length);
    return true;
}

}  // namespace

bool installInlineHook(void** target, void* detour) {
    if (target == nullptr || *target == nullptr || detour == nullptr) return false;
    const uint32_t function = addressOf(*target);
    const auto prologue = stealPrologue(function);
    if (!prologue) return false;
    auto* trampoline = static_cast<uint8_t*>(VirtualAlloc(
        nullptr, kTrampolineCapacity, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    if (trampoline == nullptr) return false;
    buildTrampoline(trampoline, *prologue, function);
    FlushInstructionCache(GetCurrentProcess(), trampoline, kTrampolineCapacity);
    // The variable leads back before the patch goes in, so a detour that runs at once (on
    // another thread) already finds the original code.
    *target = trampoline;
    if (!writeJmpOverFunction(function, addressOf(detour))) {
        *target = reinterpret_cast<void*>(function);
        VirtualFree(trampoline, 0, MEM_RELEASE);
        return false;
    }
    return true;
}

}  // namespace HostGame
