#include "bridge/object_description_scan.h"

#include "bridge/fatal_error.h"
#include "bridge/game_object_lookup.h"

#include <cstdlib>
#include <exception>
#include <stdexcept>

namespace Tovek::KV9Lua {

namespace {

constexpr uint32_t kScanWindow = 256;
constexpr int64_t kObjectMapOffset = 0xBC;

const ZydisDecodedOperand& operandAt(const ScannedInstruction& scanned, std::size_t n) {
    if (scanned.instruction.operand_count_visible <= n) {
        throw std::out_of_range("instruction has too less operands");
    }
    return scanned.operands[n];
}

bool is(const ScannedInstruction& scanned, ZydisMnemonic mnemonic) {
    return scanned.instruction.mnemonic == mnemonic;
}

// mov reg, [disp32]: a plain absolute load from a game variable.
bool isGlobalLoad(const ScannedInstruction& scanned) {
    if (!is(scanned, ZYDIS_MNEMONIC_MOV)) return false;
    const ZydisDecodedOperand& source = operandAt(scanned, 1);
    return operandAt(scanned, 0).type == ZYDIS_OPERAND_TYPE_REGISTER &&
           source.type == ZYDIS_OPERAND_TYPE_MEMORY && source.mem.type == ZYDIS_MEMOP_TYPE_MEM &&
           source.mem.base == ZYDIS_REGISTER_NONE && source.mem.index == ZYDIS_REGISTER_NONE &&
           source.mem.disp.has_displacement && scanned.instruction.address_width == 32 &&
           source.mem.disp.value >= 1 && source.mem.disp.value <= 0x7FFFFFFF;
}

std::optional<uint32_t> pushedImmediate(const ScannedInstruction& scanned) {
    if (!is(scanned, ZYDIS_MNEMONIC_PUSH)) return std::nullopt;
    return readOperandImmediate(scanned, 0);
}

// The immediate of mov ecx, imm: the sync object handed to a member function.
std::optional<uint32_t> ecxImmediate(const ScannedInstruction& scanned) {
    if (!is(scanned, ZYDIS_MNEMONIC_MOV)) return std::nullopt;
    const ZydisDecodedOperand& target = operandAt(scanned, 0);
    if (target.type != ZYDIS_OPERAND_TYPE_REGISTER || target.reg.value != ZYDIS_REGISTER_ECX) {
        return std::nullopt;
    }
    return readOperandImmediate(scanned, 1);
}

// lea reg, [objects + 0xBC]: the address of the object hash map inside the manager.
bool isObjectMapLea(const ScannedInstruction& scanned, ZydisRegister objectsRegister) {
    if (!is(scanned, ZYDIS_MNEMONIC_LEA)) return false;
    const ZydisDecodedOperand& source = operandAt(scanned, 1);
    if (source.type != ZYDIS_OPERAND_TYPE_MEMORY) {
        throw std::runtime_error("lea operand type not memory");
    }
    if (source.mem.type != ZYDIS_MEMOP_TYPE_AGEN) {
        throw std::runtime_error("lea operand mem type not address generation");
    }
    if (source.mem.base != objectsRegister) return false;
    if (!source.mem.disp.has_displacement) {
        throw std::runtime_error("lea operand not having displacement");
    }
    if (source.mem.disp.value != kObjectMapOffset) {
        throw std::runtime_error("unexpected lea displacement value");
    }
    return true;
}

GameLockFunction callTarget(const ZydisDecoder& decoder, const ScannedInstruction& call) {
    return reinterpret_cast<GameLockFunction>(
        static_cast<uintptr_t>(findNthCall(decoder, call.address, 0, 0)));
}

}  // namespace

std::optional<uint32_t> readOperandImmediate(const ScannedInstruction& scanned, std::size_t n) {
    const ZydisDecodedOperand& operand = operandAt(scanned, n);
    if (operand.type != ZYDIS_OPERAND_TYPE_IMMEDIATE || operand.imm.is_relative) {
        return std::nullopt;
    }
    if (operand.imm.value.u > 0x7FFFFFFF) throw std::range_error("imm.value.u is too large");
    return static_cast<uint32_t>(operand.imm.value.u);
}

ObjectDescriptionFindings scanObjectDescription(lua_CFunction objectDescription) {
    if (objectDescription == nullptr) {
        throw std::runtime_error("retrieved ObjectDescription is null!");
    }
    const ZydisDecoder decoder = makeLegacy32Decoder();
    const auto begin = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(objectDescription));
    if (begin + kScanWindow <= begin) throw std::invalid_argument("Decoder begin >= end");
    DecoderCursor cursor{&decoder, begin, begin + kScanWindow};
    ObjectDescriptionFindings found{};

    // The load of the GameObjects global, then the lock call: push argument, mov ecx, call.
    ScannedInstruction scanned = cursor.next();
    while (!isGlobalLoad(scanned)) scanned = cursor.next();
    found.gameObjectsGlobal = static_cast<uint32_t>(scanned.operands[1].mem.disp.value);
    const ZydisRegister objectsRegister = scanned.operands[0].reg.value;

    do {
        found.lockArgument = pushedImmediate(cursor.next()).value_or(0);
    } while (found.lockArgument == 0);

    found.syncObject = ecxImmediate(cursor.next()).value_or(0);
    if (found.syncObject == 0) throw std::runtime_error("Failed to retrieve sync pointer");

    scanned = cursor.next();
    if (!is(scanned, ZYDIS_MNEMONIC_CALL)) {
        throw std::runtime_error("Failed to retrieve sync function pointer1");
    }
    found.lock = callTarget(decoder, scanned);

    do scanned = cursor.next();
    while (!isObjectMapLea(scanned, objectsRegister));
    // The unlock's argument: push 1.
    do scanned = cursor.next();
    while (pushedImmediate(scanned) != 1u);

    if (ecxImmediate(cursor.next()) != found.syncObject) {
        throw std::runtime_error("Failed to verify sync pointer");
    }
    scanned = cursor.next();
    if (!is(scanned, ZYDIS_MNEMONIC_CALL)) {
        throw std::runtime_error("Failed to retrieve sync function pointer2");
    }
    found.unlock = callTarget(decoder, scanned);
    return found;
}

uint32_t findGameObjectsAndLock(lua_CFunction objectDescription) {
    try {
        const ObjectDescriptionFindings found = scanObjectDescription(objectDescription);
        g_gameSyncObject = found.syncObject;
        g_gameLockArgument = found.lockArgument;
        g_gameLock = found.lock;
        g_gameUnlock = found.unlock;
        return found.gameObjectsGlobal;
    } catch (const std::exception&) {
        // The game's Lua thread cannot be told; the game cannot run its scripts without it.
        showFatalError(std::current_exception());
        std::exit(1);
    }
}

}  // namespace Tovek::KV9Lua
