#include "bridge/animation_global_scan.h"

#include "hostgame/game/game_animation.h"
#include "tests/addresses.h"
#include "tests/instruction_bytes.h"
#include "tests/scan_decoder.h"
#include "tests/scan_outcome.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

constexpr uint32_t kG = 0x00A1B2C4;
constexpr uint32_t kH = 0x0051A150;
constexpr uint32_t kWindow = 128;

const std::string kBadDisplacement = "runtime_error: unexpected mem disp value";

// mov eax, [address] in its short moffs form.
Bytes loadEax(uint32_t address) { return code({0xA1}, {address}); }
// mov target, [base + displacement] with a 32-bit displacement.
Bytes read(Reg target, Reg base, uint32_t displacement = 0x128) {
    return code({0x8B, uint8_t(0x80 | target << 3 | base)}, {displacement});
}

// The pieces followed by NOPs, in a buffer the scan decodes in place: the 128 bytes it reads,
// and room for an instruction that starts inside them and ends past them.
constexpr std::size_t kRoomPastTheWindow = 16;
struct ScanWindow : NopFilledCode<kWindow + kRoomPastTheWindow> {
    using NopFilledCode::NopFilledCode;
    std::string scan() const {
        return outcomeOf([&] { return hex(scanGlobalFromCode(decoder(), addressOf(bytes.data()))); });
    }
};

TEST(AnimationGlobalScan, RegisterLoadedFromTheGlobalThenReadAt0x128) {
    struct Case {
        const char* name;
        std::vector<Bytes> pieces;
        std::string expected;
    };
    const Case cases[] = {
        {"eax, moffs form", {loadEax(kG), read(ECX, EAX)}, hex(kG)},
        {"esi, ModRM form", {load(ESI, kG), read(EDX, ESI)}, hex(kG)},
        {"loaded register read into itself", {loadEax(kG), read(EAX, EAX)}, hex(kG)},
        {"instructions in between leave the register alone",
         {load(EBX, kG), code({0x51}), code({0x8B, 0x4C, 0x24, 0x08}), code({0x31, 0xC0}),
          read(EDX, EBX)},
         hex(kG)},
        {"the register read at 0x128 decides", {loadEax(kH), load(EBX, kG), read(ECX, EBX)},
         hex(kG)},
        {"the last load into the register counts", {loadEax(kH), loadEax(kG), read(ECX, EAX)},
         hex(kG)},
        {"read ends exactly at the window's end", {loadEax(kG), nops(117), read(ECX, EAX)},
         hex(kG)},
        {"register overwritten in between (mov eax, ecx)",
         {loadEax(kG), code({0x89, 0xC8}), read(EDX, EAX)}, kWindowEnd},
        {"operand 0 of a mere test drops it too", {loadEax(kG), code({0x85, 0xC0}), read(ECX, EAX)},
         kWindowEnd},
        {"read at 0x12C", {loadEax(kG), read(ECX, EAX, 0x12C)}, kWindowEnd},
        {"read with an index register",
         {loadEax(kG), code({0x8B, 0x8C, 0x18}, {0x128})}, kWindowEnd},
        {"store to 0x128", {loadEax(kG), code({0x89, 0x88}, {0x128})}, kWindowEnd},
        {"read through a register never loaded", {loadEax(kG), read(ECX, EBX)}, kWindowEnd},
        {"16-bit load", {code({0x66, 0xA1}, {kG}), read(ECX, EAX)}, kWindowEnd},
        {"load with an index register", {code({0x8B, 0x04, 0x9D}, {kG}), read(ECX, EAX)},
         kWindowEnd},
        {"lea of the global", {code({0x8D, 0x05}, {kG}), read(ECX, EAX)}, kWindowEnd},
        {"read cut by the window's end", {loadEax(kG), nops(118), read(ECX, EAX)}, kUndecodable},
        {"load from address 0", {loadEax(0), read(ECX, EAX)}, kBadDisplacement},
        {"load from 2 GiB, a negative displacement", {load(EDX, 0x80000000), read(ECX, EDX)},
         kBadDisplacement},
        {"nothing but NOPs", {}, kWindowEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScanWindow(c.pieces).scan(), c.expected);
    }
}

TEST(AnimationGlobalScan, WindowThatWrapsIsRefusedBeforeAnyRead) {
    for (uint32_t function : {0xFFFFFF80u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(hex(function));
        EXPECT_EQ(outcomeOf([&] { return hex(scanGlobalFromCode(decoder(), function)); }), kWraps);
    }
}

TEST(AnimationGlobalScan, StandInGameFunctions) {
    const struct {
        const char* name;
        lua_CFunction function;
        std::string expected;
    } cases[] = {
        {"CurDrawableModelcondition", host_cur_drawable_model_condition,
         hex(addressOf(&g_animationContextPtr))},
        {"CurDrawableObjectStatus", host_cur_drawable_object_status,
         hex(addressOf(&g_animationContextPtr))},
        {"CurDrawableGetCurrentTargetDistance", host_cur_drawable_target_distance,
         hex(addressOf(&g_animationContextPtr))},
        {"other global", host_cur_drawable_other_global,
         hex(addressOf(&g_otherAnimationContextPtr))},
        {"register overwritten", host_cur_drawable_register_overwritten, kWindowEnd},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t function = addressOf(reinterpret_cast<const void*>(c.function));
        EXPECT_EQ(outcomeOf([&] { return hex(scanGlobalFromCode(decoder(), function)); }),
                  c.expected);
    }
}

// What the tracker holds after one instruction, as "reg=address" for each 32-bit register.
std::string trackedAfter(const Bytes& instruction) {
    DecoderCursor cursor{&decoder(), addressOf(instruction.data()),
                         addressOf(instruction.data()) + static_cast<uint32_t>(instruction.size())};
    const ScannedInstruction scanned = cursor.next();
    RegisterTracker tracker;
    tracker.trackMovDisplacement(decoder().machine_mode, scanned);
    std::string held;
    for (ZydisRegister reg = ZYDIS_REGISTER_EAX; reg <= ZYDIS_REGISTER_EDI;
         reg = ZydisRegister(reg + 1)) {
        if (const auto address = tracker.addressIn(reg)) {
            held += std::string(ZydisRegisterGetString(reg)) + "=" + hex(*address);
        }
    }
    return held;
}

TEST(AnimationGlobalScan, TrackerRecordsOnlyMovOfAnAbsoluteAddressIntoA32BitRegister) {
    const struct {
        const char* name;
        Bytes instruction;
        std::string expected;
    } cases[] = {
        {"mov eax, moffs", loadEax(kG), "eax=" + hex(kG)},
        {"mov eax, ModRM", load(EAX, kG), "eax=" + hex(kG)},
        {"mov edi", load(EDI, kG), "edi=" + hex(kG)},
        {"lowest address", loadEax(1), "eax=0x00000001"},
        {"highest positive displacement", loadEax(0x7FFFFFFF), "eax=0x7FFFFFFF"},
        {"16-bit register", code({0x66, 0xA1}, {kG}), ""},
        {"8-bit register", code({0x8A, 0x05}, {kG}), ""},
        {"with a base register", code({0x8B, 0x83}, {kG}), ""},
        {"with an index register", code({0x8B, 0x04, 0x8D}, {kG}), ""},
        {"lea", code({0x8D, 0x05}, {kG}), ""},
        {"store to the address", code({0xA3}, {kG}), ""},
        {"immediate", code({0xB8}, {kG}), ""},
        {"register to register", code({0x8B, 0xC1}), ""},
        {"address 0", loadEax(0), kBadDisplacement},
        {"address 0x80000000", load(ECX, 0x80000000), kBadDisplacement},
        {"address 0xFFFFFFFF", load(ECX, 0xFFFFFFFF), kBadDisplacement},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(outcomeOf([&] { return trackedAfter(c.instruction); }), c.expected);
    }
}

}  // namespace
