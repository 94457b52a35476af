#include "bridge/this_player_scan.h"

#include "bridge/message_push.h"
#include "hostgame/game/game_patch_sites.h"
#include "hostgame/game/game_world.h"
#include "tests/addresses.h"
#include "tests/scan_buffer.h"
#include "tests/scan_decoder.h"
#include "tests/scan_outcome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>

using namespace Tovek::KV9Lua;

namespace {

const std::string kNoEcx = "runtime_error: failed to find suitable ecx value";
const std::string kNoPush = "runtime_error: Cannot find suitable push instruction";

TEST(ThisPlayerWalk, LastAbsoluteEcxLoadBetweenTheFirstAndSecondCall) {
    constexpr uint32_t kWindow = 256;
    constexpr uint32_t A = 0x00612345;
    constexpr uint32_t B = 0x00654321;
    // The window ends where the committed memory does.
    ScanBuffer buffer(kWindow);
    using W = CodeWriter;
    struct Case {
        const char* name;
        std::function<void(W&)> code;
        std::string expected;
    };
    const Case cases[] = {
        {"a load between the calls", [](W& w) { w.call().movEcxFrom(A).call(); }, "A"},
        {"the last of two loads", [](W& w) { w.call().movEcxFrom(A).movEcxFrom(B).call(); }, "B"},
        {"other instructions first",
         [](W& w) { w.raw({0x83, 0xC4, 0x04}).call().raw({0x8B, 0xC3}).movEcxFrom(A).call(); },
         "A"},
        {"a load before the first call does not count",
         [](W& w) { w.movEcxFrom(A).call().call(); }, kNoEcx},
        {"no load between the calls", [](W& w) { w.call().call().movEcxFrom(A).call(); }, kNoEcx},
        {"mov ecx, eax forgets", [](W& w) { w.call().movEcxFrom(A).raw({0x8B, 0xC8}).call(); },
         kNoEcx},
        {"xor ecx, ecx forgets", [](W& w) { w.call().movEcxFrom(A).raw({0x33, 0xC9}).call(); },
         kNoEcx},
        {"pop ecx forgets", [](W& w) { w.call().movEcxFrom(A).raw({0x59}).call(); }, kNoEcx},
        {"lea ecx, [abs32] forgets",
         [](W& w) { w.call().movEcxFrom(A).raw({0x8D, 0x0D}).word(B).call(); }, kNoEcx},
        {"mov ecx, imm32 forgets",
         [](W& w) { w.call().movEcxFrom(A).raw({0xB9}).word(B).call(); }, kNoEcx},
        {"mov ecx, [eax+4] keeps",
         [](W& w) { w.call().movEcxFrom(A).raw({0x8B, 0x48, 0x04}).call(); }, "A"},
        {"mov ecx, [eax*4+abs32] keeps",
         [](W& w) { w.call().movEcxFrom(A).raw({0x8B, 0x0C, 0x85}).word(B).call(); }, "A"},
        {"mov ecx, [0] keeps", [](W& w) { w.call().movEcxFrom(A).movEcxFrom(0).call(); }, "A"},
        {"mov ecx, [0] alone", [](W& w) { w.call().movEcxFrom(0).call(); }, kNoEcx},
        {"16-bit address load keeps",
         [](W& w) { w.call().movEcxFrom(A).raw({0x67, 0x8B, 0x0E, 0x34, 0x12}).call(); }, "A"},
        {"mov cl, 1 keeps", [](W& w) { w.call().movEcxFrom(A).raw({0xB1, 0x01}).call(); }, "A"},
        {"mov eax, [abs32] keeps",
         [](W& w) { w.call().movEcxFrom(A).raw({0xA1}).word(B).call(); }, "A"},
        {"no second call in the window", [](W& w) { w.call().movEcxFrom(A); }, kWindowEnd},
        {"no call at all", [](W&) {}, kWindowEnd},
        {"undecodable bytes", [](W& w) { w.call().raw({0x0F, 0x04}).call(); }, kUndecodable},
        {"load cut by the window end",
         [&](W& w) { w.call().fillTo(buffer.end() - 3, 0x90).raw({0x8B, 0x0D, 0x00}); },
         kUndecodable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CodeWriter w{buffer.begin(), {}};
        c.code(w);
        w.fillTo(buffer.end(), 0x90);
        buffer.write(w.bytes);
        EXPECT_EQ(outcomeOf([&] {
                      const uint32_t found = findEcxGlobalAfterPush(decoder(), buffer.begin());
                      return found == A ? "A" : found == B ? "B" : hex(found);
                  }),
                  c.expected);
    }
    EXPECT_EQ(outcomeOf([] { return hex(findEcxGlobalAfterPush(decoder(), 0xFFFFFF80)); }),
              kWraps);
}

TEST(MessagePush, PushOfAnImmediateThatIsListed) {
    ScanBuffer buffer(16);
    const std::vector<uint32_t> messages = {0x00401000, 0x10};
    struct Case {
        const char* name;
        Bytes bytes;
        bool pushes;
    };
    const Case cases[] = {
        {"push imm32", {0x68, 0x00, 0x10, 0x40, 0x00}, true},
        {"push of another imm32", {0x68, 0x04, 0x10, 0x40, 0x00}, false},
        {"prefixed push imm32", {0x3E, 0x68, 0x00, 0x10, 0x40, 0x00}, true},
        {"push imm8", {0x6A, 0x10}, true},
        {"push imm16", {0x66, 0x68, 0x10, 0x00}, true},
        {"push eax", {0x50}, false},
        {"push of the word at the address", {0xFF, 0x35, 0x00, 0x10, 0x40, 0x00}, false},
        {"mov eax, imm32", {0xB8, 0x00, 0x10, 0x40, 0x00}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.bytes;
        bytes.resize(16, 0x90);
        buffer.write(bytes);
        ScannedInstruction scanned;
        ASSERT_TRUE(tryDecode(decoder(), buffer.begin(), buffer.end(), scanned));
        EXPECT_EQ(isMessagePush(scanned.instruction, scanned.operands, buffer.begin(), messages),
                  c.pushes);
    }
}

struct NamedPushScan {
    const char* name;
    FirstMessagePushScan scan;
};
const NamedPushScan kPushScans[] = {{"exhaustive", findFirstMessagePushExhaustive},
                                    {"fast", findFirstMessagePushFast}};

TEST(FirstMessagePush, LowestStartThatDecodesAsAPushOfAMessage) {
    constexpr uint32_t kSize = 0x100;
    ScanBuffer buffer(kSize);
    const uint32_t base = buffer.begin();
    const uint32_t message = base + 0x10;
    const uint32_t message2 = base + 0x14;
    using W = CodeWriter;
    struct Case {
        const char* name;
        std::function<void(W&)> code;
        std::vector<uint32_t> messages;
        int expected;  // offset of the push, or -1 for none
    };
    const Case cases[] = {
        {"no push", [](W&) {}, {message}, -1},
        {"no message", [&](W& w) { w.fillTo(base + 0x40, 0x90).push(message); }, {}, -1},
        {"one push", [&](W& w) { w.fillTo(base + 0x40, 0x90).push(message); }, {message}, 0x40},
        {"the lower of two pushes",
         [&](W& w) { w.fillTo(base + 0x40, 0x90).push(message2).nops(8).push(message); },
         {message, message2}, 0x40},
        {"prefixes count as the push's start",
         [&](W& w) { w.fillTo(base + 0x3E, 0x90).raw({0x3E, 0x2E}).push(message); }, {message},
         0x3E},
        {"the address without a push",
         [&](W& w) { w.fillTo(base + 0x40, 0x90).raw({0xB8}).word(message); }, {message}, -1},
        {"a push at the module begin", [&](W& w) { w.push(message); }, {message}, 0},
        {"a push ending at the module end",
         [&](W& w) { w.fillTo(base + kSize - 5, 0x90).push(message); }, {message}, kSize - 5},
        {"a push cut by the module end",
         [&](W& w) { w.fillTo(base + kSize - 4, 0x90).raw({0x68}).word(message); }, {message},
         -1},
        {"a listed message twice", [&](W& w) { w.fillTo(base + 0x40, 0x90).push(message); },
         {message, message}, 0x40},
        {"small messages: push imm8",
         [&](W& w) { w.fillTo(base + 0x40, 0x90).raw({0x6A, 0x10}).push(message); },
         {message, 0x10}, 0x40},
        {"small messages: push imm16",
         [&](W& w) { w.fillTo(base + 0x40, 0x90).raw({0x66, 0x68, 0x34, 0x12}); }, {0x1234},
         0x40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CodeWriter w{base, {}};
        c.code(w);
        w.fillTo(base + kSize, 0x90);
        w.bytes.resize(kSize);
        // The message texts' places hold no code of their own.
        buffer.write(w.bytes);
        for (const NamedPushScan& s : kPushScans) {
            SCOPED_TRACE(s.name);
            const uint32_t found = s.scan(buffer.module(), decoder(), c.messages);
            EXPECT_EQ(found == 0 ? -1 : static_cast<int>(found - base), c.expected);
        }
    }
}

std::vector<uint32_t> thisPlayerTexts(const TheGameModule& module) {
    return findBytePattern(module, reinterpret_cast<const uint8_t*>(g_missingPlayerText), 35);
}

TEST(FirstMessagePushDifferential, OwnImage) {
    // This program holds the stand-in's report and the plug-in's own copy of the text.
    const TheGameModule module = getMainModuleRange();
    const auto texts = thisPlayerTexts(module);
    ASSERT_GE(texts.size(), 2u);
    const uint32_t fast = findFirstMessagePushFast(module, decoder(), texts);
    EXPECT_EQ(fast, addressOf(reinterpret_cast<const void*>(&host_report_missing_player)));
    EXPECT_EQ(fast, findFirstMessagePushExhaustive(module, decoder(), texts));
}

TEST(FirstMessagePushDifferential, RandomAndAdversarialBuffers) {
    constexpr uint32_t kSize = 0x1000;
    ScanBuffer buffer(kSize);
    const uint32_t base = buffer.begin();
    const std::vector<std::vector<uint32_t>> messageLists = {
        {base + 0x21, base + 0x40, base + 0x21},
        {base + 0x21, 0x7F},  // a small address: the fast scan must not miss a push imm8
        {base + 0x21, 0xFFFFFFF0},
    };
    static constexpr uint8_t kPrefixes[] = {0x66, 0x67, 0xF2, 0xF3, 0x2E, 0x3E, 0xF0, 0x64};
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto pick = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
        const auto& messages = messageLists[seed % messageLists.size()];
        CodeWriter w{base, {}};
        while (w.bytes.size() < kSize) {
            switch (pick(8)) {
                case 0: w.raw({kPrefixes[pick(std::size(kPrefixes))]}); break;
                case 1: w.push(messages[pick(messages.size())]); break;
                case 2: w.word(messages[pick(messages.size())]); break;
                case 3: w.raw({0x6A, uint8_t(messages[pick(messages.size())])}); break;
                case 4: w.raw({0x66, 0x68, uint8_t(pick(256)), 0x00}); break;
                default: w.raw({uint8_t(pick(256))}); break;
            }
        }
        w.bytes.resize(kSize);
        // Mostly the first match lies late, so that the scans pass over much before it.
        std::fill(w.bytes.begin(), w.bytes.begin() + pick(kSize), uint8_t(0x90));
        buffer.write(w.bytes);
        EXPECT_EQ(findFirstMessagePushFast(buffer.module(), decoder(), messages),
                  findFirstMessagePushExhaustive(buffer.module(), decoder(), messages));
    }
}

// The push of the range text inside the stand-in's first check.
uint32_t pushInsideFirstCheck() {
    DecoderCursor cursor{&decoder(),
                         addressOf(reinterpret_cast<const void*>(&host_camera_check_cached_pos)),
                         addressOf(reinterpret_cast<const void*>(&host_camera_check_cached_pos)) +
                             64};
    for (;;) {
        const ScannedInstruction scanned = cursor.next();
        if (scanned.instruction.mnemonic == ZYDIS_MNEMONIC_PUSH) return scanned.address;
    }
}

TEST(ThisPlayerGlobal, CachedPushIsCheckedInPlace) {
    const uint32_t report = addressOf(reinterpret_cast<const void*>(&host_report_missing_player));
    struct Case {
        const char* name;
        uint32_t cached;
        std::string expected;
        bool kept;
    };
    const Case cases[] = {
        {"the report's push", report, hex(addressOf(&g_worldBuilderGlobal)), true},
        {"no push", addressOf(reinterpret_cast<const void*>(&host_camera_check_cached_pos)),
         kNoPush, false},
        {"a push of another text", pushInsideFirstCheck(), kNoPush, false},
        {"inside the report's push", report + 1, kNoPush, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointersCache cache;
        cache.set(3, c.cached);
        ASSERT_EQ(cache.find(3), c.cached);
        EXPECT_EQ(outcomeOf([&] {
                      return hex(findThisPlayerGlobal(cache, findFirstMessagePushFast));
                  }),
                  c.expected);
        EXPECT_EQ(cache.find(3), c.kept ? c.cached : 0u);
    }
}

}  // namespace
