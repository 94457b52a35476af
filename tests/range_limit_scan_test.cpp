#include "bridge/range_limit_scan.h"

#include "hostgame/game/game_patch_sites.h"
#include "tests/addresses.h"
#include "tests/scan_buffer.h"
#include "tests/scan_decoder.h"
#include "tests/scan_outcome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <string_view>

using namespace Tovek::KV9Lua;

namespace {

const std::string kNotFound = "runtime_error: Failed to find game range limit checkers";
constexpr uint32_t kUnlimited = 0xFFFFFFFF;

struct NamedScan {
    const char* name;
    RangeLimitScan scan;
};
const NamedScan kScans[] = {{"exhaustive", scanRangeLimitCheckerExhaustive},
                            {"fast", scanRangeLimitCheckerFast}};

// Everything a scan returns or changes, with addresses as offsets from base.
std::string describe(uint32_t base, const std::vector<uint32_t>& found,
                     const std::vector<uint32_t>& remaining,
                     const std::optional<uint32_t>& candidate) {
    auto list = [base](const std::vector<uint32_t>& addresses) {
        std::string text = "[";
        for (const uint32_t a : addresses) {
            char item[16];
            std::snprintf(item, sizeof item, " %lX", static_cast<unsigned long>(a - base));
            text += item;
        }
        return text + " ]";
    };
    std::string text = "found " + list(found) + " remaining " + list(remaining) + " float ";
    return text + (candidate ? list({*candidate}) : std::string("none"));
}

std::string runScan(RangeLimitScan scan, const TheGameModule& module, uint32_t begin,
                    uint32_t end, std::vector<uint32_t> messages,
                    std::optional<uint32_t> candidate, uint32_t maxCount) {
    const auto found = scan(module, decoder(), begin, end, messages, candidate, maxCount);
    return describe(module.begin, found, messages, candidate);
}

// A small game image: three floats, two message addresses and checker-shaped code from 0x40.
class RangeLimitShapes : public ::testing::Test {
protected:
    static constexpr uint32_t kSize = 0x200;
    static constexpr uint32_t kChecker = 0x40;

    uint32_t at(uint32_t offset) const { return buffer_.begin() + offset; }
    uint32_t limit() const { return at(0); }       // 10000.0
    uint32_t otherFloat() const { return at(4); }  // 9999.0
    uint32_t limit2() const { return at(8); }      // 10000.0 again
    uint32_t message() const { return at(0x20); }
    uint32_t message2() const { return at(0x24); }

    // The floats, then the code written from 0x40, then NOPs to the end.
    void place(const std::function<void(CodeWriter&)>& code, uint32_t size = kSize) {
        CodeWriter writer{at(0), {}};
        writer.f32(10000.0f).f32(9999.0f).f32(10000.0f).fillTo(at(kChecker), 0xCC);
        code(writer);
        writer.fillTo(at(size), 0x90);
        writer.bytes.resize(size);
        buffer_.write(writer.bytes);
        module_ = {buffer_.begin(), buffer_.begin() + size, size};
    }

    // Both scans over the whole image must give the expected description.
    void expectBoth(const std::vector<uint32_t>& messages, std::optional<uint32_t> candidate,
                    uint32_t maxCount, const std::string& expected) {
        for (const NamedScan& s : kScans) {
            SCOPED_TRACE(s.name);
            EXPECT_EQ(runScan(s.scan, module_, module_.begin, module_.end, messages, candidate,
                              maxCount),
                      expected);
        }
    }

    ScanBuffer buffer_{kSize};
    TheGameModule module_{};
};

TEST_F(RangeLimitShapes, ChecksThatLoadTheLimitAndPushAfterTwoCalls) {
    using W = CodeWriter;
    struct Case {
        const char* name;
        std::function<void(W&)> code;
        bool accepted;  // at 0x40
    };
    const Case cases[] = {
        {"two calls, then the push",
         [&](W& w) { w.movss(limit()).call().call().push(message()); }, true},
        {"other instructions between",
         [&](W& w) {
             w.movss(limit()).raw({0x83, 0xEC, 0x04}).call().raw({0x8B, 0xC8}).call();
             w.push(message());
         },
         true},
        {"conditional jumps do not end the walk",
         [&](W& w) {
             w.movss(limit()).call().raw({0x74, 0x00, 0x0F, 0x85}).word(0).call();
             w.push(message());
         },
         true},
        {"a push after one call is passed over",
         [&](W& w) { w.movss(limit()).call().push(message()).call().push(message()); }, true},
        {"jmp before the push",
         [&](W& w) { w.movss(limit()).call().raw({0xEB, 0x00}).call().push(message()); }, false},
        {"ret before the push",
         [&](W& w) { w.movss(limit()).call().raw({0xC3}).call().push(message()); }, false},
        {"third call before the push",
         [&](W& w) { w.movss(limit()).call().call().call().push(message()); }, false},
        {"push after one call only",
         [&](W& w) { w.movss(limit()).call().push(message()).call(); }, false},
        {"undecodable bytes before the push",
         [&](W& w) { w.movss(limit()).call().call().raw({0x0F, 0x04}).push(message()); }, false},
        {"push of an address that is no message",
         [&](W& w) { w.movss(limit()).call().call().push(at(0x28)); }, false},
        {"push of a message from a register",
         [&](W& w) { w.movss(limit()).call().call().raw({0x50}); }, false},
        {"limit of another value",
         [&](W& w) { w.movss(otherFloat()).call().call().push(message()); }, false},
        {"limit outside the module",
         [&](W& w) { w.movss(0x1000).call().call().push(message()); }, false},
        {"8-byte movss through a base register",
         [&](W& w) {
             w.raw({0xF3, 0x0F, 0x10, 0x80}).word(limit()).call().call().push(message());
         },
         false},
        {"5-byte movss with a displacement",
         [&](W& w) { w.raw({0xF3, 0x0F, 0x10, 0x40, 0x08}).call().call().push(message()); },
         false},
        {"movss store form",
         [&](W& w) {
             w.raw({0xF3, 0x0F, 0x11, 0x05}).word(limit()).call().call().push(message());
         },
         false},
        {"movups, not movss",
         [&](W& w) {
             w.raw({0x0F, 0x10, 0x05}).word(limit()).nops(1).call().call().push(message());
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        place(c.code);
        const std::string expected =
            c.accepted ? describe(at(0), {at(kChecker)}, {message2()}, limit())
                       : describe(at(0), {}, {message(), message2()}, std::nullopt);
        expectBoth({message(), message2()}, std::nullopt, kUnlimited, expected);
    }
}

TEST_F(RangeLimitShapes, PrefixedMovssIsFoundAtItsUnprefixedStart) {
    // 2E F3 0F 10 05 is 9 bytes long; the 8-byte movss starts one byte later.
    place([&](CodeWriter& w) { w.raw({0x2E}).movss(limit()).call().call().push(message()); });
    expectBoth({message()}, std::nullopt, kUnlimited,
               describe(at(0), {at(kChecker + 1)}, {}, limit()));
}

TEST_F(RangeLimitShapes, NeedsEightBytesAndAFull128ByteWindowBeforeTheEnd) {
    struct Case {
        uint32_t room;  // bytes from the checker to the end of the module
        bool accepted;
    };
    for (const Case c : {Case{136, true}, Case{135, false}, Case{300, true}, Case{20, false}}) {
        SCOPED_TRACE(c.room);
        place([&](CodeWriter& w) { w.movss(limit()).call().call().push(message()); },
              kChecker + c.room);
        const std::string expected = c.accepted
                                         ? describe(at(0), {at(kChecker)}, {}, limit())
                                         : describe(at(0), {}, {message()}, std::nullopt);
        expectBoth({message()}, std::nullopt, kUnlimited, expected);
    }
}

TEST_F(RangeLimitShapes, FirstCheckerFixesTheFloatForTheRest) {
    auto twoCheckers = [&](uint32_t secondFloat) {
        place([&](CodeWriter& w) {
            w.movss(limit()).call().call().push(message()).fillTo(at(0xC0), 0x90);
            w.movss(secondFloat).call().call().push(message2());
        });
    };
    twoCheckers(limit2());
    expectBoth({message(), message2()}, std::nullopt, kUnlimited,
               describe(at(0), {at(kChecker)}, {message2()}, limit()));
    twoCheckers(limit());
    expectBoth({message(), message2()}, std::nullopt, kUnlimited,
               describe(at(0), {at(kChecker), at(0xC0)}, {}, limit()));
    // A float already fixed is not tested again for its value.
    place([&](CodeWriter& w) { w.movss(otherFloat()).call().call().push(message()); });
    expectBoth({message()}, otherFloat(), kUnlimited,
               describe(at(0), {at(kChecker)}, {}, otherFloat()));
}

TEST_F(RangeLimitShapes, EachMessageAddressServesOneCheckerAndMaxCountStops) {
    place([&](CodeWriter& w) {
        w.movss(limit()).call().call().push(message()).fillTo(at(0x80), 0x90);
        w.movss(limit()).call().call().push(message()).fillTo(at(0xC0), 0x90);
        w.movss(limit()).call().call().push(message2());
    });
    struct Case {
        const char* name;
        std::vector<uint32_t> messages;
        uint32_t maxCount;
        std::string expected;
    };
    const Case cases[] = {
        {"one entry, two pushers", {message(), message2()}, kUnlimited,
         describe(at(0), {at(0x40), at(0xC0)}, {}, limit())},
        {"the address listed twice", {message(), message2(), message()}, kUnlimited,
         describe(at(0), {at(0x40), at(0x80), at(0xC0)}, {}, limit())},
        {"maxCount 2", {message(), message2(), message()}, 2,
         describe(at(0), {at(0x40), at(0x80)}, {message2()}, limit())},
        {"maxCount 1", {message2(), message()}, 1,
         describe(at(0), {at(0x40)}, {message2()}, limit())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectBoth(c.messages, std::nullopt, c.maxCount, c.expected);
    }
}

// The four texts the plug-in looks for, as the stand-in game holds them.
const char* const kStandInTexts[] = {g_cameraCachedPosText, g_cameraCurDirText,
                                     g_cameraPrevPosText, g_cameraNextPosText};

std::vector<uint32_t> standInChecks() {
    std::vector<uint32_t> checks;
    for (const auto& site : HostGame::kCameraRangeCheckSites) {
        checks.push_back(addressOf(reinterpret_cast<const void*>(site.check)));
    }
    return checks;
}

// Ids 4 to 7 (texts) and 8 to 11 (checks), as a cold start-up in the stand-in game stores them.
void cacheStandInIds(PointersCache& cache) {
    const auto checks = standInChecks();
    for (uint32_t i = 0; i < 4; ++i) {
        cache.set(4 + i, addressOf(kStandInTexts[i]));
        cache.set(8 + i, checks[i]);
    }
}

TEST(RangeLimitVerify, FindsTheCachedChecksAgainOrNothing) {
    // The stand-in game's code is part of this program; only cached places are scanned.
    const uint32_t checks[4] = {standInChecks()[0], standInChecks()[1], standInChecks()[2],
                                standInChecks()[3]};
    struct Case {
        const char* name;
        std::function<void(PointersCache&)> change;
        bool found;
    };
    const Case cases[] = {
        {"all eight ids", [](PointersCache&) {}, true},
        {"texts in another order",
         [](PointersCache& cache) {
             cache.set(4, 0);
             cache.set(7, 0);
             cache.set(4, addressOf(g_cameraNextPosText));
             cache.set(7, addressOf(g_cameraCachedPosText));
         },
         true},
        {"a missing text id", [](PointersCache& cache) { cache.set(6, 0); }, false},
        {"a missing checker id", [](PointersCache& cache) { cache.set(11, 0); }, false},
        {"two checker ids on one address",
         [&](PointersCache& cache) {
             cache.set(9, 0);
             cache.set(9, checks[0]);
         },
         false},
        {"a checker id past the checks",
         [](PointersCache& cache) {
             cache.set(11, 0);
             cache.set(11, addressOf(host_camera_checks_padding));
         },
         false},
        {"a text id that no check pushes",
         [](PointersCache& cache) {
             cache.set(5, 0);
             cache.set(5, addressOf(g_missingPlayerText));
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointersCache cache;
        cacheStandInIds(cache);
        c.change(cache);
        const auto before = cache.entries();
        const auto verified = verifyCachedRangeLimitCheckers(cache, cache.module(), decoder(),
                                                             scanRangeLimitCheckerFast);
        EXPECT_EQ(verified, c.found ? std::vector<uint32_t>(checks, checks + 4)
                                    : std::vector<uint32_t>{});
        EXPECT_EQ(cache.entries(), before);
    }
}

// A whole synthetic game for the full search: the limit, the four texts, and one checker per
// text pushing it.
class RangeLimitSearch : public ::testing::Test {
protected:
    static constexpr uint32_t kSize = 0x1000;
    static constexpr std::string_view kTexts[] = {
        "m_cachedPos.X()<10000.f && m_cachedPos.Y()<10000.f && m_cachedPos.Z()<10000.f",
        "curDir.X()<10000.f && curDir.Y()<10000.f && curDir.Z()<10000.f",
        "prevPos.X()<10000.f && prevPos.Y()<10000.f && prevPos.Z()<10000.f",
        "nextPos.X()<10000.f && nextPos.Y()<10000.f && nextPos.Z()<10000.f",
    };

    uint32_t at(uint32_t offset) const { return buffer_.begin() + offset; }
    uint32_t text(std::size_t i) const { return at(0x100 + 0x80 * static_cast<uint32_t>(i)); }
    uint32_t checker(std::size_t i) const { return at(0x800 + 0x40 * static_cast<uint32_t>(i)); }

    // textCount texts at their places (a fifth is a second copy of the last one), and a checker
    // for each of the first checkerCount of them.
    void place(std::size_t textCount, std::size_t checkerCount) {
        CodeWriter w{at(0), {}};
        w.f32(10000.0f);
        for (std::size_t i = 0; i < textCount; ++i) {
            w.fillTo(text(i), 0);
            const std::string_view t = kTexts[std::min<std::size_t>(i, 3)];
            w.bytes.insert(w.bytes.end(), t.begin(), t.end());
        }
        for (std::size_t i = 0; i < checkerCount; ++i) {
            w.fillTo(checker(i), 0xCC).movss(at(0)).call().call().push(text(i)).raw({0xC3});
        }
        w.fillTo(at(kSize), 0xCC);
        buffer_.write(w.bytes);
    }

    ScanBuffer buffer_{kSize};
};

TEST_F(RangeLimitSearch, NeedsEachTextOnceAndFourCheckersThatClaimThem) {
    ASSERT_GT(buffer_.begin(), getMainModuleRange().end) << "the cache must drop these addresses";
    struct Case {
        const char* name;
        std::size_t texts;
        std::size_t checkers;
        std::string expected;
    };
    const Case cases[] = {
        {"four texts, four checkers", 4, 4, "found"},
        {"a text twice, four checkers", 5, 4, kNotFound},
        {"a text twice, both copies pushed", 5, 5, kNotFound},
        {"a text missing", 3, 3, kNotFound},
        {"a text that no checker pushes", 4, 3, kNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        place(c.texts, c.checkers);
        PointersCache cache;
        cacheStandInIds(cache);
        cache.set(3, addressOf(g_missingPlayerText));
        const std::string outcome = outcomeOf([&] {
            const auto found = searchRangeLimitCheckers(cache, buffer_.module(), decoder(),
                                                        scanRangeLimitCheckerFast);
            return found == std::vector<uint32_t>{checker(0), checker(1), checker(2), checker(3)}
                       ? std::string("found")
                       : describe(at(0), found, {}, std::nullopt);
        });
        EXPECT_EQ(outcome, c.expected);
        // The old ids are erased before the search, whatever its outcome.
        for (uint32_t id = 4; id <= 11; ++id) EXPECT_EQ(cache.find(id), 0u) << id;
        EXPECT_NE(cache.find(3), 0u);
    }
}

// --- Exhaustive and fast scans give the same results -------------------------------------------

// Both scans on copies of the same inputs; their results, consumed messages and floats agree.
void expectSameScans(const TheGameModule& module, uint32_t begin, uint32_t end,
                     const std::vector<uint32_t>& messages, std::optional<uint32_t> candidate,
                     uint32_t maxCount) {
    EXPECT_EQ(runScan(scanRangeLimitCheckerFast, module, begin, end, messages, candidate,
                      maxCount),
              runScan(scanRangeLimitCheckerExhaustive, module, begin, end, messages, candidate,
                      maxCount));
}

// Every occurrence of the four patterns the plug-in searches for.
std::vector<uint32_t> textsIn(const TheGameModule& module) {
    static constexpr std::string_view kPatterns[] = {
        "m_cachedPos.X()<10000.f && m_cachedPos.Y()<10000.f && m_cachedPos",
        "curDir.X()<10000.f && curDir.Y()<10000.f && curDir.Z()<10000.f",
        "prevPos.X()<10000.f && prevPos.Y()<10000.f && prevPos.Z()<10000.f",
        "nextPos.X()<10000.f && nextPos.Y()<10000.f && nextPos.Z()<10000.f",
    };
    std::vector<uint32_t> found;
    for (const std::string_view pattern : kPatterns) {
        const auto more = findBytePattern(
            module, reinterpret_cast<const uint8_t*>(pattern.data()), pattern.size());
        found.insert(found.end(), more.begin(), more.end());
    }
    return found;
}

TEST(RangeLimitScanDifferential, OwnImage) {
    // This program holds the stand-in game's checks and, in the plug-in's code, each text again.
    const TheGameModule module = getMainModuleRange();
    const auto messages = textsIn(module);
    ASSERT_GE(messages.size(), 4u);
    std::vector<uint32_t> fastMessages = messages;
    std::optional<uint32_t> fastFloat;
    const auto found = scanRangeLimitCheckerFast(module, decoder(), module.begin, module.end,
                                                 fastMessages, fastFloat, kUnlimited);
    for (const uint32_t check : standInChecks()) {
        EXPECT_NE(std::find(found.begin(), found.end(), check), found.end());
    }
    expectSameScans(module, module.begin, module.end, messages, std::nullopt, kUnlimited);
    expectSameScans(module, standInChecks()[1], module.end, messages, std::nullopt, 2);
}

// Pieces that random code is made of, biased towards checker shapes and their near misses.
class CodeSoup {
public:
    CodeSoup(uint32_t seed, const std::vector<uint32_t>& floats,
             const std::vector<uint32_t>& messages)
        : m_random(seed), m_floats(floats), m_messages(messages) {}

    void piece(CodeWriter& w) {
        static constexpr uint8_t kPrefixes[] = {0x66, 0xF2, 0xF3, 0x2E, 0x3E, 0x26, 0x64, 0x67,
                                                0xF0};
        switch (pick(14)) {
            case 0: w.raw({kPrefixes[pick(std::size(kPrefixes))]}); break;
            case 1: w.movss(anyOf(m_floats)); break;
            case 2: w.raw({0xF3, 0x0F, uint8_t(0x10 + pick(2)), uint8_t(pick(256))}); break;
            case 3: w.raw({0x0F, uint8_t(0x10 + pick(2))}); break;
            case 4:
            case 5: w.call(); break;
            case 6: w.push(pick(4) ? anyOf(m_messages) : anyOf(m_floats)); break;
            case 7: w.raw({0x6A, uint8_t(pick(256))}); break;
            case 8: w.raw({pick(2) ? uint8_t(0xEB) : uint8_t(0xC3), 0x00}); break;
            case 9: w.raw({0x74, 0x02}); break;
            case 10: w.word(anyOf(m_messages)); break;
            case 11: w.nops(pick(40)); break;
            default: {
                // A whole checker, or a near miss of one.
                w.movss(anyOf(m_floats));
                for (uint32_t calls = pick(4); calls > 0; --calls) w.call();
                if (pick(5) == 0) w.raw({0xC3});
                w.push(anyOf(m_messages));
                break;
            }
        }
        if (pick(6) == 0) w.raw({uint8_t(pick(256)), uint8_t(pick(256))});
    }

private:
    uint32_t pick(std::size_t n) {
        return std::uniform_int_distribution<uint32_t>(0, static_cast<uint32_t>(n) - 1)(m_random);
    }
    uint32_t anyOf(const std::vector<uint32_t>& values) { return values[pick(values.size())]; }

    std::mt19937 m_random;
    std::vector<uint32_t> m_floats;
    std::vector<uint32_t> m_messages;
};

TEST(RangeLimitScanDifferential, RandomBuffers) {
    constexpr uint32_t kSize = 0x2000;
    ScanBuffer buffer(kSize);
    const uint32_t base = buffer.begin();
    // Two addresses of 10000.0, one of another value, one outside; messages with a repeat.
    const std::vector<uint32_t> floats = {base, base + 4, base + 8, 0x1000};
    const std::vector<uint32_t> messages = {base + 0x20, base + 0x30, base + 0x20, base + 0x3F};
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        CodeSoup soup(seed, floats, messages);
        CodeWriter w{base, {}};
        w.f32(10000.0f).f32(10000.0f).f32(2.5f).fillTo(base + 0x40, 0x0F);
        while (w.bytes.size() < kSize) soup.piece(w);
        w.bytes.resize(kSize);
        buffer.write(w.bytes);
        std::mt19937 random(seed);
        const uint32_t begin = base + random() % 0x100;
        const uint32_t end = buffer.end() - random() % 0x100;
        expectSameScans(buffer.module(), buffer.begin(), buffer.end(), messages, std::nullopt,
                        kUnlimited);
        expectSameScans(buffer.module(), begin, end, messages, std::nullopt, 1 + random() % 3);
        expectSameScans(buffer.module(), begin, end, messages, base + 4, kUnlimited);
    }
}

TEST(RangeLimitScanDifferential, AdversarialBuffers) {
    constexpr uint32_t kSize = 0x200;
    ScanBuffer buffer(kSize);
    const uint32_t base = buffer.begin();
    const uint32_t limit = base;
    const uint32_t message = base + 0x20;
    using W = CodeWriter;
    struct Case {
        const char* name;
        std::function<void(W&)> code;  // written from 0x40
    };
    auto checker = [&](W& w) { w.call().call().push(message); };
    std::vector<Case> cases;
    for (const uint8_t prefix : {0x66, 0xF2, 0xF3, 0x2E, 0x3E, 0x36, 0x26, 0x64, 0x65, 0x67,
                                 0xF0}) {
        cases.push_back({"prefix before the movss", [=](W& w) {
                             w.raw({prefix}).movss(limit);
                             checker(w);
                         }});
        cases.push_back({"two prefixes before the movss", [=](W& w) {
                             w.raw({prefix, 0xF3}).movss(limit);
                             checker(w);
                         }});
    }
    cases.push_back({"overlapping candidates", [&](W& w) {
                         w.raw({0xF3, 0x0F, 0x10, 0x05, 0xF3, 0x0F, 0x10, 0x05}).word(limit);
                         checker(w);
                     }});
    cases.push_back({"checker inside another's operands", [&](W& w) {
                         w.raw({0x68}).movss(limit);
                         checker(w);
                         w.movss(limit);
                         checker(w);
                     }});
    cases.push_back({"movss with base and index", [&](W& w) {
                         w.raw({0xF3, 0x0F, 0x10, 0x84, 0x08}).word(limit);
                         checker(w);
                     }});
    cases.push_back({"movss with an index only", [&](W& w) {
                         w.raw({0xF3, 0x0F, 0x10, 0x04, 0x8D}).word(limit);
                         checker(w);
                     }});
    cases.push_back({"16-bit address movss", [&](W& w) {
                         w.raw({0x67, 0xF3, 0x0F, 0x10, 0x06, 0x00, 0x00, 0x90});
                         checker(w);
                     }});
    cases.push_back({"vmovss", [&](W& w) {
                         w.raw({0xC5, 0xFA, 0x10, 0x05}).word(limit);
                         checker(w);
                     }});
    cases.push_back({"push imm32 straddling the window end", [&](W& w) {
                         w.movss(limit).call().call().fillTo(base + 0x40 + 8 + 125, 0x90);
                         w.push(message);
                     }});
    cases.push_back({"pairs at the module end", [&](W& w) {
                         w.fillTo(base + kSize - 9, 0x90).raw({0xF3, 0x0F, 0x10, 0x05});
                         w.word(limit).raw({0x0F});
                     }});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CodeWriter w{base, {}};
        w.f32(10000.0f).fillTo(base + 0x40, 0x90);
        c.code(w);
        w.fillTo(base + kSize, 0x90);
        w.bytes.resize(kSize);
        // A pair right at the start of the module.
        w.bytes[4] = 0x0F;
        w.bytes[5] = 0x10;
        buffer.write(w.bytes);
        for (uint32_t begin = base; begin < base + 0x50; ++begin) {
            expectSameScans(buffer.module(), begin, buffer.end(), {message, message}, std::nullopt,
                            kUnlimited);
        }
        for (uint32_t end = buffer.end() - 0x180; end <= buffer.end(); end += 7) {
            expectSameScans(buffer.module(), base, end, {message}, std::nullopt, kUnlimited);
        }
    }
}

}  // namespace
