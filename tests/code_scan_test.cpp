#include "bridge/code_scan.h"

#include "tests/addresses.h"
#include "tests/scan_buffer.h"
#include "tests/scan_decoder.h"
#include "tests/scan_outcome.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

const std::string kNoCalls = "out_of_range: Function ended without having performed any calls";
const std::string kRetBeforeCall = "runtime_error: encountered a `ret` before call";
const std::string kNoOperand = "runtime_error: `call` / `push` instruction without operand";
const std::string kNotImmediate = "runtime_error: `call` / `push` instruction operand is not immediate";
const std::string kNotRelative =
    "runtime_error: `call` / `push` instruction operand immediate is not relative";

// Instructions the walk tables are written in.
enum class Op {
    Prologue,  // push ebp; mov ebp, esp
    CallA,     // call rel32 to target A
    CallB,
    CallC,
    CallEax,   // call eax
    CallMem,   // call dword ptr [abs32]
    JmpShort,  // jmp rel8
    JmpNear,   // jmp rel32
    JccShort,  // je rel8
    JccNear,   // jne rel32
    Ret,
};

// One committed page followed by an inaccessible one. The function under test fills the last 256
// bytes of the committed page, so its walk window ends exactly where any read past it would fault.
class CodeScanWalk : public ::testing::Test {
protected:
    static constexpr uint32_t kPage = 0x1000;
    static constexpr uint32_t kWindow = 256;
    static constexpr uint8_t kNop = 0x90;

    uint32_t at(uint32_t offset) const { return m_page.begin() + offset; }
    uint32_t function() const { return at(kPage - kWindow); }

    // A and B lie below the function (negative displacements), C in the reserved page above it.
    uint32_t targetA() const { return at(0x10); }
    uint32_t targetB() const { return at(0x80); }
    uint32_t targetC() const { return at(kPage + 0x40); }

    std::string nameOf(uint32_t target) const {
        if (target == targetA()) return "A";
        if (target == targetB()) return "B";
        if (target == targetC()) return "C";
        return hex(target);
    }

    // Bytes of ops that are to run at origin, each rel32 computed to reach its target from there.
    Bytes assemble(const std::vector<Op>& ops, uint32_t origin) const {
        Bytes code;
        auto append = [&](std::initializer_list<uint8_t> bytes) {
            code.insert(code.end(), bytes);
        };
        auto append32 = [&](uint32_t value) {
            for (int shift = 0; shift < 32; shift += 8) code.push_back(uint8_t(value >> shift));
        };
        auto relative32 = [&](std::initializer_list<uint8_t> opcode, uint32_t target) {
            append(opcode);
            append32(target - (origin + static_cast<uint32_t>(code.size()) + 4));
        };
        for (Op op : ops) {
            switch (op) {
                case Op::Prologue: append({0x55, 0x8B, 0xEC}); break;
                case Op::CallA: relative32({0xE8}, targetA()); break;
                case Op::CallB: relative32({0xE8}, targetB()); break;
                case Op::CallC: relative32({0xE8}, targetC()); break;
                case Op::CallEax: append({0xFF, 0xD0}); break;
                case Op::CallMem: append({0xFF, 0x15}); append32(at(0)); break;
                case Op::JmpShort: append({0xEB, 0x00}); break;
                case Op::JmpNear: relative32({0xE9}, targetC()); break;
                case Op::JccShort: append({0x74, 0x00}); break;
                case Op::JccNear: relative32({0x0F, 0x85}, targetC()); break;
                case Op::Ret: append({0xC3}); break;
            }
        }
        return code;
    }

    // Writes bytes at address, dropping any that would fall past the committed page.
    void place(uint32_t address, Bytes bytes) {
        bytes.resize(std::min<std::size_t>(bytes.size(), at(kPage) - address));
        std::memcpy(reinterpret_cast<void*>(address), bytes.data(), bytes.size());
    }

    // The function's window: the ops, then NOPs up to its end.
    void placeFunction(const std::vector<Op>& ops) {
        Bytes code = assemble(ops, function());
        code.resize(kWindow, kNop);
        place(function(), code);
    }

    std::string walk(const std::function<uint32_t()>& run) const {
        return outcomeOf([&] { return nameOf(run()); });
    }

    ScanBuffer m_page{kPage};
};

TEST_F(CodeScanWalk, NthCall) {
    struct Case {
        const char* name;
        std::vector<Op> ops;
        int n;
        int retsAllowed;
        std::string expected;
    };
    const Case cases[] = {
        {"first call after a prologue", {Op::Prologue, Op::CallA, Op::CallB, Op::Ret}, 0, 0, "A"},
        {"second call", {Op::CallA, Op::CallB, Op::Ret}, 1, 0, "B"},
        {"third call lies past the ret", {Op::CallA, Op::CallB, Op::Ret, Op::CallC}, 2, 0, kNoCalls},
        {"ret before the first call", {Op::Ret, Op::CallA}, 0, 0, kNoCalls},
        {"one ret passed over", {Op::CallA, Op::Ret, Op::CallB, Op::Ret}, 1, 1, "B"},
        {"ret passed over before the first call", {Op::Ret, Op::CallC}, 0, 1, "C"},
        {"second ret beyond retsAllowed", {Op::CallA, Op::Ret, Op::Ret, Op::CallB}, 1, 1, kNoCalls},
        {"short jmp before the call", {Op::JmpShort, Op::CallA}, 0, 0, kNoCalls},
        {"near jmp between the calls", {Op::CallA, Op::JmpNear, Op::CallB}, 1, 0, kNoCalls},
        {"jmp after the wanted call", {Op::CallA, Op::JmpNear}, 0, 0, "A"},
        {"short conditional jump passed over", {Op::JccShort, Op::CallA}, 0, 0, "A"},
        {"near conditional jump passed over", {Op::JccNear, Op::CallB}, 0, 0, "B"},
        {"call eax counted", {Op::CallEax, Op::CallB}, 1, 0, "B"},
        {"call [mem] counted", {Op::CallMem, Op::CallC}, 1, 0, "C"},
        {"call eax chosen", {Op::CallEax, Op::CallB}, 0, 0, kNotImmediate},
        {"call [mem] chosen", {Op::CallA, Op::CallMem}, 1, 0, kNotImmediate},
        {"window of NOPs only", {}, 0, 0, kWindowEnd},
        {"calls run out before the window ends", {Op::CallA}, 1, 0, kWindowEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        placeFunction(c.ops);
        EXPECT_EQ(walk([&] { return findNthCall(decoder(), function(), c.n, c.retsAllowed); }),
                  c.expected);
        if (c.n == 0 && c.retsAllowed == 0) {
            EXPECT_EQ(walk([&] { return findFirstCall(decoder(), function()); }), c.expected);
        }
    }
}

TEST_F(CodeScanWalk, CallAtTheWindowEnd) {
    struct Case {
        uint32_t offset;  // of the 5-byte call inside the window
        std::string expected;
    };
    const Case cases[] = {
        {kWindow - 5, "A"},
        {kWindow - 4, kUndecodable},
        {kWindow - 1, kUndecodable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        placeFunction({});
        place(function() + c.offset, assemble({Op::CallA}, function() + c.offset));
        EXPECT_EQ(walk([&] { return findNthCall(decoder(), function(), 0, 0); }), c.expected);
    }
}

TEST_F(CodeScanWalk, LastCallBeforeRet) {
    struct Case {
        const char* name;
        std::vector<Op> ops;
        std::string expected;
    };
    const Case cases[] = {
        {"call, jmp, call, ret", {Op::CallA, Op::JmpNear, Op::CallB, Op::Ret}, "B"},
        {"ret first", {Op::Ret, Op::CallA}, kRetBeforeCall},
        {"stops at the first ret", {Op::CallA, Op::Ret, Op::CallB, Op::Ret}, "A"},
        {"jumps passed over",
         {Op::Prologue, Op::CallC, Op::JccShort, Op::JmpShort, Op::Ret}, "C"},
        {"last call is indirect", {Op::CallA, Op::CallEax, Op::Ret}, kNotImmediate},
        {"no ret in the window", {Op::CallA, Op::CallB}, kWindowEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        placeFunction(c.ops);
        EXPECT_EQ(walk([&] { return findLastCallBeforeRet(decoder(), function()); }), c.expected);
    }
}

// These addresses are never mapped: the walks must refuse them before reading anything.
TEST(CodeScan, WalkWindowWrappingPastTheTopIsRefused) {
    for (const uint32_t function : {0xFFFFFF00u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(hex(function));
        EXPECT_EQ(outcomeOf([&] { return hex(findNthCall(decoder(), function, 1, 1)); }), kWraps);
        EXPECT_EQ(outcomeOf([&] { return hex(findFirstCall(decoder(), function)); }), kWraps);
        EXPECT_EQ(outcomeOf([&] { return hex(findLastCallBeforeRet(decoder(), function)); }),
                  kWraps);
    }
}

TEST(CodeScan, AbsoluteTargetIsComputedForTheGivenAddress) {
    struct Case {
        const char* name;
        Bytes bytes;
        uint32_t address;  // where the instruction is taken to start, not where the bytes lie
        std::string expected;
    };
    const Case cases[] = {
        {"call backward", {0xE8, 0xF0, 0xFF, 0xFF, 0xFF}, 0x00401000, "0x00400FF5"},
        {"call forward", {0xE8, 0x00, 0x01, 0x00, 0x00}, 0x00401000, "0x00401105"},
        {"call past the top wraps", {0xE8, 0x10, 0x00, 0x00, 0x00}, 0xFFFFFFF0, "0x00000005"},
        {"call below zero wraps", {0xE8, 0xE0, 0xFF, 0xFF, 0xFF}, 0x00000010, "0xFFFFFFF5"},
        {"short jmp to itself", {0xEB, 0xFE}, 0x00402000, "0x00402000"},
        {"short conditional jump backward", {0x74, 0xF0}, 0x00402000, "0x00401FF2"},
        {"ret", {0xC3}, 0x00401000, kNoOperand},
        {"call eax", {0xFF, 0xD0}, 0x00401000, kNotImmediate},
        {"call [mem]", {0xFF, 0x15, 0x00, 0x10, 0x40, 0x00}, 0x00401000, kNotImmediate},
        {"push imm32", {0x68, 0x00, 0x10, 0x40, 0x00}, 0x00401000, kNotRelative},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecoderCursor cursor{&decoder(), addressOf(c.bytes.data()),
                             addressOf(c.bytes.data() + c.bytes.size())};
        const ScannedInstruction scanned = cursor.next();
        EXPECT_EQ(outcomeOf([&] {
                      return hex(getAbsoluteTarget(scanned.instruction, scanned.operands, c.address));
                  }),
                  c.expected);
    }
}

TEST(CodeScan, CursorAdvancesByInstructionLengthUpToTheEnd) {
    const Bytes code = {0x90, 0xB8, 0x78, 0x56, 0x34, 0x12, 0xC3};  // nop; mov eax, imm32; ret
    const uint32_t begin = addressOf(code.data());
    DecoderCursor cursor{&decoder(), begin, begin + static_cast<uint32_t>(code.size())};
    struct Step {
        uint32_t offset;
        ZydisMnemonic mnemonic;
        uint8_t length;
    };
    for (const Step& step : {Step{0, ZYDIS_MNEMONIC_NOP, 1}, Step{1, ZYDIS_MNEMONIC_MOV, 5},
                             Step{6, ZYDIS_MNEMONIC_RET, 1}}) {
        SCOPED_TRACE(step.offset);
        const ScannedInstruction scanned = cursor.next();
        EXPECT_EQ(scanned.address, begin + step.offset);
        EXPECT_EQ(scanned.instruction.mnemonic, step.mnemonic);
        EXPECT_EQ(scanned.instruction.length, step.length);
        EXPECT_EQ(cursor.m_current, begin + step.offset + step.length);
    }
    EXPECT_EQ(outcomeOf([&] { return hex(cursor.next().address); }), kWindowEnd);
}

TEST(CodeScan, CursorFailures) {
    struct Case {
        const char* name;
        Bytes bytes;
        uint32_t beginOffset;
        uint32_t endOffset;
        std::string expected;
    };
    const Case cases[] = {
        {"empty window", {0x90}, 0, 0, kWindowEnd},
        {"current past the end", {0x90, 0x90}, 2, 1, kWindowEnd},
        {"call cut by the window end", {0xE8, 0x00, 0x00, 0x00, 0x00}, 0, 3, kUndecodable},
        {"undecodable bytes", {0xFF, 0xFF}, 0, 2, kUndecodable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t base = addressOf(c.bytes.data());
        DecoderCursor cursor{&decoder(), base + c.beginOffset, base + c.endOffset};
        EXPECT_EQ(outcomeOf([&] { return hex(cursor.next().address); }), c.expected);
    }
}

TEST(CodeScan, BytePatternOccurrences) {
    struct Case {
        const char* name;
        Bytes memory;
        uint32_t beginOffset;
        uint32_t endOffset;
        Bytes pattern;
        std::vector<uint32_t> expectedOffsets;
    };
    const Case cases[] = {
        {"overlapping", {0xAA, 0xAA, 0xAA}, 0, 3, {0xAA, 0xAA}, {0, 1}},
        {"match ending at end", {0x00, 0x11, 0x22, 0x33}, 0, 4, {0x22, 0x33}, {2}},
        {"ascending", {0x01, 0x02, 0x00, 0x01, 0x02, 0x01, 0x02}, 0, 7, {0x01, 0x02}, {0, 3, 5}},
        {"pattern longer than the range", {0x11, 0x22, 0x33}, 0, 2, {0x11, 0x22, 0x33}, {}},
        {"bytes outside the range ignored", {0xAA, 0xAA, 0xAA, 0xAA}, 1, 3, {0xAA, 0xAA}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t base = addressOf(c.memory.data());
        // Only begin and end are read, so size is left 0.
        const TheGameModule range{base + c.beginOffset, base + c.endOffset, 0};
        std::vector<uint32_t> expected;
        for (uint32_t offset : c.expectedOffsets) expected.push_back(base + offset);
        EXPECT_EQ(findBytePattern(range, c.pattern.data(), c.pattern.size()), expected);
    }
}

void functionOfThisProgram() {}

TEST(CodeScan, MainModuleRangeCoversThisProgram) {
    const TheGameModule module = getMainModuleRange();
    EXPECT_EQ(module.begin, addressOf(GetModuleHandleW(nullptr)));
    EXPECT_EQ(module.end - module.begin, module.size);
    const uint32_t inside = addressOf(reinterpret_cast<const void*>(&functionOfThisProgram));
    EXPECT_LE(module.begin, inside);
    EXPECT_LT(inside, module.end);
}

}  // namespace
