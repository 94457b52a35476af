#include "bridge/bridge_state.h"
#include "bridge/game_object_lookup.h"
#include "bridge/game_objects.h"
#include "bridge/hex_lua_functions.h"
#include "bridge/object_description_scan.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/game/game_world.h"
#include "tests/addresses.h"
#include "tests/folder_state_guard.h"
#include "tests/instruction_bytes.h"
#include "tests/scan_decoder.h"
#include "tests/scan_outcome.h"
#include "tests/stand_in_lua_api.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

constexpr uint32_t kGlobal = 0x00A1B2C4;
constexpr uint32_t kSync = 0x00A1C000;
constexpr uint32_t kWindow = 256;

const std::string kTooLarge = "range_error: imm.value.u is too large";
const std::string kTooFewOperands = "out_of_range: instruction has too less operands";

// The plug-in's view of a native Lua function (its LuaState is the game's lua_State).
using NativeFunction = Tovek::KV9Lua::lua_CFunction;

NativeFunction asCFunction(int (*function)(lua_State*)) {
    return reinterpret_cast<NativeFunction>(function);
}

std::string describe(const ObjectDescriptionFindings& found) {
    return "global " + hex(found.gameObjectsGlobal) + ", lock argument " +
           std::to_string(found.lockArgument) + ", sync " + hex(found.syncObject) + ", lock " +
           hex(functionAddress(found.lock)) + ", unlock " + hex(functionAddress(found.unlock));
}

Bytes push(uint32_t value) { return code({0x68}, {value}); }
Bytes pushByte(int8_t value) { return code({0x6A, uint8_t(value)}); }
// mov reg, imm32
Bytes moveImmediate(Reg reg, uint32_t value) { return code({uint8_t(0xB8 + reg)}, {value}); }
// call rel32 to the next instruction: its target is the address right after it.
Bytes callNext() { return code({0xE8}, {0}); }
// lea target, [base + displacement] with a 32-bit displacement.
Bytes lea(Reg target, Reg base, uint32_t displacement) {
    return code({0x8D, uint8_t(0x80 | target << 3 | base)}, {displacement});
}
// lea target, [base]
Bytes leaNoDisplacement(Reg target, Reg base) { return code({0x8D, uint8_t(target << 3 | base)}); }

const Bytes kCallEax = code({0xFF, 0xD0});
const Bytes kUndecodableCode = code({0xFF, 0xFF});

// The lock call and the unlock call of the game's shape, around the map access.
std::vector<Bytes> lockPrologue() {
    return {load(ESI, kGlobal), push(0x10), moveImmediate(ECX, kSync), callNext()};
}
std::vector<Bytes> withLock(std::vector<Bytes> middle) {
    std::vector<Bytes> pieces = lockPrologue();
    pieces.insert(pieces.end(), middle.begin(), middle.end());
    return pieces;
}

// 256 bytes of the pieces followed by NOPs, in a buffer the scan decodes in place.
struct ScanWindow : NopFilledCode<kWindow> {
    using NopFilledCode::NopFilledCode;
    NativeFunction function() const {
        return reinterpret_cast<NativeFunction>(const_cast<uint8_t*>(bytes.data()));
    }
    std::string scan() const {
        return outcomeOf([&] { return describe(scanObjectDescription(function())); });
    }
};

TEST(ObjectDescriptionScan, FindsTheStandInGamesGlobalAndLock) {
    const ObjectDescriptionFindings found =
        scanObjectDescription(asCFunction(host_object_description));
    EXPECT_EQ(describe(found),
              describe({addressOf(&g_gameObjects), addressOf(g_objectsSyncObject),
                        HostGame::kObjectsLockArgument,
                        reinterpret_cast<GameLockFunction>(&host_objects_lock),
                        reinterpret_cast<GameLockFunction>(&host_objects_unlock)}));
}

// The found functions are the game's counting lock: called the plug-in's way they count, and
// a wrong argument shows as a fault.
TEST(ObjectDescriptionScan, FoundLockFunctionsCountTheirCalls) {
    const ObjectDescriptionFindings found =
        scanObjectDescription(asCFunction(host_object_description));
    void* const sync = reinterpret_cast<void*>(static_cast<uintptr_t>(found.syncObject));
    const uint32_t locks = g_objectsLockCalls;
    const uint32_t unlocks = g_objectsUnlockCalls;
    const uint32_t faults = g_objectsLockFaults;
    found.lock(sync, found.lockArgument);
    EXPECT_EQ(g_objectsLockHeld, 1u);
    found.unlock(sync, 1);
    EXPECT_EQ(g_objectsLockCalls - locks, 1u);
    EXPECT_EQ(g_objectsUnlockCalls - unlocks, 1u);
    EXPECT_EQ(g_objectsLockFaults - faults, 0u);
    EXPECT_EQ(g_objectsLockHeld, 0u);

    found.lock(sync, found.lockArgument + 1);
    EXPECT_EQ(g_objectsLockFaults - faults, 1u);
}

TEST(ObjectDescriptionScan, RefusesTheStandInGamesBrokenShapes) {
    struct Case {
        const char* name;
        NativeFunction function;
        std::string expected;
    };
    const Case cases[] = {
        {"null", nullptr, "runtime_error: retrieved ObjectDescription is null!"},
        {"unlock names another sync object", asCFunction(host_object_description_other_sync),
         "runtime_error: Failed to verify sync pointer"},
        {"no lock within 256 bytes", asCFunction(host_object_description_unlocked), kWindowEnd},
        {"window wraps past the address space",
         reinterpret_cast<NativeFunction>(static_cast<uintptr_t>(0xFFFFFF80)),
         "invalid_argument: Decoder begin >= end"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(outcomeOf([&] { return describe(scanObjectDescription(c.function)); }),
                  c.expected)
            << c.name;
    }
}

TEST(ObjectDescriptionScan, FollowsTheGameShapeWithInstructionsInBetween) {
    struct Case {
        const char* name;
        std::vector<Bytes> pieces;
        std::size_t lockCall;    // index of the lock call among the pieces
        std::size_t unlockCall;  // and of the unlock call
        uint32_t lockArgument;
    };
    const Case cases[] = {
        {"plain",
         withLock({lea(EAX, ESI, 0xBC), pushByte(1), moveImmediate(ECX, kSync), callNext()}), 3, 7,
         0x10},
        {"loads with a base, zero and register pushes are passed over",
         {code({0x8B, 0x86}, {kGlobal}), load(EDI, kGlobal), pushByte(0), code({0x53}), pushByte(0),
          push(0x7FFFFFFF), moveImmediate(ECX, kSync), callNext(), lea(ESI, EDI, 0xBC),
          pushByte(1), moveImmediate(ECX, kSync), callNext()},
         7, 11, 0x7FFFFFFF},
        {"other leas, pushes and calls before the unlock",
         withLock({lea(EAX, EBX, 0x10), lea(EAX, ESI, 0xBC), pushByte(2), callNext(),
                   code({0x50}), pushByte(1), moveImmediate(ECX, kSync), callNext()}),
         3, 11, 0x10},
    };
    for (const Case& c : cases) {
        const ScanWindow window(c.pieces);
        const uint32_t lock = window.pieceEnds[c.lockCall];
        const uint32_t unlock = window.pieceEnds[c.unlockCall];
        EXPECT_EQ(window.scan(),
                  describe({kGlobal, kSync, c.lockArgument,
                            reinterpret_cast<GameLockFunction>(static_cast<uintptr_t>(lock)),
                            reinterpret_cast<GameLockFunction>(static_cast<uintptr_t>(unlock))}))
            << c.name;
    }
}

TEST(ObjectDescriptionScan, FailsWithTheStepsMessage) {
    struct Case {
        const char* name;
        std::vector<Bytes> pieces;
        std::string expected;
    };
    const Case cases[] = {
        {"no load of a global", {}, kWindowEnd},
        {"a load above 0x7FFFFFFF is no global",
         {load(ESI, 0x80000000), push(0x10), moveImmediate(ECX, kSync), callNext()}, kWindowEnd},
        {"undecodable bytes", {kUndecodableCode}, "runtime_error: Failed to decode instruction"},
        {"negative lock argument", {load(ESI, kGlobal), pushByte(-1)}, kTooLarge},
        {"lock argument above 0x7FFFFFFF", {load(ESI, kGlobal), push(0x80000000)}, kTooLarge},
        {"no mov ecx after the lock argument", {load(ESI, kGlobal), push(0x10), nops(1)},
         "runtime_error: Failed to retrieve sync pointer"},
        {"mov ecx, 0", {load(ESI, kGlobal), push(0x10), moveImmediate(ECX, 0)},
         "runtime_error: Failed to retrieve sync pointer"},
        {"sync object in edx", {load(ESI, kGlobal), push(0x10), moveImmediate(EDX, kSync)},
         "runtime_error: Failed to retrieve sync pointer"},
        {"no call after the sync object",
         {load(ESI, kGlobal), push(0x10), moveImmediate(ECX, kSync), nops(1)},
         "runtime_error: Failed to retrieve sync function pointer1"},
        {"lock called through a register",
         {load(ESI, kGlobal), push(0x10), moveImmediate(ECX, kSync), kCallEax},
         "runtime_error: `call` / `push` instruction operand is not immediate"},
        {"map lea without displacement", withLock({leaNoDisplacement(EAX, ESI)}),
         "runtime_error: lea operand not having displacement"},
        {"map lea at 0xB8", withLock({lea(EAX, ESI, 0xB8)}),
         "runtime_error: unexpected lea displacement value"},
        {"no map lea", withLock({pushByte(1), moveImmediate(ECX, kSync), callNext()}), kWindowEnd},
        {"negative push before the unlock", withLock({lea(EAX, ESI, 0xBC), pushByte(-1)}),
         kTooLarge},
        {"no mov ecx after push 1", withLock({lea(EAX, ESI, 0xBC), pushByte(1), nops(1)}),
         "runtime_error: Failed to verify sync pointer"},
        {"unlock on another sync object",
         withLock({lea(EAX, ESI, 0xBC), pushByte(1), moveImmediate(ECX, kSync + 4)}),
         "runtime_error: Failed to verify sync pointer"},
        {"no call after the verification",
         withLock({lea(EAX, ESI, 0xBC), pushByte(1), moveImmediate(ECX, kSync), nops(1)}),
         "runtime_error: Failed to retrieve sync function pointer2"},
        {"no unlock within 256 bytes", withLock({lea(EAX, ESI, 0xBC)}), kWindowEnd},
    };
    for (const Case& c : cases) EXPECT_EQ(ScanWindow(c.pieces).scan(), c.expected) << c.name;
}

TEST(ObjectDescriptionScan, ReadOperandImmediate) {
    struct Case {
        const char* name;
        Bytes instruction;
        std::size_t operand;
        std::string expected;
    };
    const Case cases[] = {
        {"push 0x7FFFFFFF", push(0x7FFFFFFF), 0, "0x7FFFFFFF"},
        {"push 0x80000000", push(0x80000000), 0, kTooLarge},
        {"push -1", pushByte(-1), 0, kTooLarge},
        {"push eax: a register", code({0x50}), 0, "none"},
        {"call rel32: relative", callNext(), 0, "none"},
        {"mov ecx, imm: operand 1", moveImmediate(ECX, 0x00401000), 1, "0x00401000"},
        {"mov ecx, imm: operand 0", moveImmediate(ECX, 0x00401000), 0, "none"},
        {"push 5: operand 1", pushByte(5), 1, kTooFewOperands},
        {"ret: operand 0", code({0xC3}), 0, kTooFewOperands},
    };
    const ZydisDecoder decoder = makeLegacy32Decoder();
    for (const Case& c : cases) {
        const uint32_t begin = addressOf(c.instruction.data());
        DecoderCursor cursor{&decoder, begin, begin + static_cast<uint32_t>(c.instruction.size())};
        const ScannedInstruction scanned = cursor.next();
        EXPECT_EQ(outcomeOf([&] {
                      const auto value = readOperandImmediate(scanned, c.operand);
                      return value ? hex(*value) : std::string("none");
                  }),
                  c.expected)
            << c.name;
    }
}

TEST(GameObjectLookup, ObjectIdOfNumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        double number;
        uint32_t id;
    };
    const Case cases[] = {
        {7, 7},
        {7.9, 7},
        {-1, 0xFFFFFFFF},
        {-1.9, 0xFFFFFFFF},
        {4294967296.0 + 5, 5},
        {nan, 0},
        {infinity, 0},
        {-infinity, 0},
        {9223372036854775808.0, 0},    // 2^63: the first value past the range
        {-9223372036854775808.0, 0},   // -2^63: in range, low word 0
        {9223372036854774784.0, 0xFFFFFC00},  // the largest double below 2^63
        {-9223372036854777856.0, 0},   // the first double below -2^63
    };
    for (const Case& c : cases) EXPECT_EQ(objectIdOfNumber(c.number), c.id) << c.number;
}

TEST(GameObjectLookup, PrintGameObjectAddressHasEightUpperCaseDigits) {
    const auto text = [](uintptr_t address) {
        const auto printed = printGameObjectAddress(reinterpret_cast<void*>(address));
        return printed ? std::string(printed->data()) : "nothing";
    };
    EXPECT_EQ(text(0x1000), "GameObject:00001000");
    EXPECT_EQ(text(0xABCDEF12), "GameObject:ABCDEF12");
}

// The hexadecimal parsers, called the way the game calls a native function, on the stand-in's
// Lua.
class HexLuaFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        g_kv9Lua = standInLuaApi();
    }

    BridgeStateGuard m_bridgeState;

    enum class Argument { Text, Number, Table, None };

    // The one result, as %.17g or "nan" (with its bits checked), or how many results there were.
    static std::string call(const char* function, Argument kind, const char* text) {
        const auto state = HostLua::newState();
        lua_State* L = state.get();
        switch (kind) {
            case Argument::Text: lua_pushstring(L, text); break;
            case Argument::Number: lua_pushnumber(L, std::strtod(text, nullptr)); break;
            case Argument::Table: HostLua::pushNewTable(L); break;
            case Argument::None: break;
        }
        const HexLuaFunction* row = nullptr;
        for (const HexLuaFunction& candidate : hexLuaFunctions) {
            if (std::strcmp(candidate.name, function) == 0) row = &candidate;
        }
        const int count = HostLua::callNative(L, reinterpret_cast<::lua_CFunction>(row->function),
                                              kind == Argument::None ? 0 : 1);
        if (count != 1 || lua_type(L, -1) != HostLua::kNumber) {
            return std::to_string(count) + " results";
        }
        const double value = lua_tonumber(L, -1);
        if (std::isnan(value)) {
            return std::bit_cast<uint64_t>(value) == 0x7FF8000000000000 ? "nan" : "other nan";
        }
        char result[40];
        std::snprintf(result, sizeof result, "%.17g", value);
        return result;
    }
};

TEST_F(HexLuaFunctions, RowsInRegistrationOrder) {
    ASSERT_EQ(hexLuaFunctions.size(), 3u);
    EXPECT_STREQ(hexLuaFunctions[0].name, "HexToInt32");
    EXPECT_STREQ(hexLuaFunctions[1].name, "HexToUInt32");
    EXPECT_STREQ(hexLuaFunctions[2].name, "HexToInt64");
}

// The parsing itself has its own table; here, what reaches it from Lua.
TEST_F(HexLuaFunctions, ParseTheArgumentAsTheGameConvertsItToText) {
    struct Case {
        const char* function;
        Argument kind;
        const char* argument;
        const char* expected;
    };
    const Case cases[] = {
        {"HexToInt32", Argument::Text, "ffffffff", "-1"},
        {"HexToUInt32", Argument::Text, "100000000", "nan"},
        {"HexToInt64", Argument::Text, "100000000", "4294967296"},
        {"HexToUInt32", Argument::Number, "10", "16"},  // the game's tostring gives "10"
        {"HexToUInt32", Argument::Table, "", "nan"},
        {"HexToInt64", Argument::None, "", "nan"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(call(c.function, c.kind, c.argument), c.expected)
            << c.function << "(" << c.argument << ")";
    }
}

}  // namespace
