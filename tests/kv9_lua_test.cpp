#include "bridge/kv9_lua.h"

#include "bridge/base_lib_locator.h"
#include "bridge/cache_cipher.h"
#include "bridge/pointers_cache.h"
#include "hostgame/game/game_symbols.h"
#include "tests/addresses.h"
#include "tests/stand_in_lua_api.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

// The located table in field order, so that a field in the wrong slot shows too.
LuaApiFields fieldsOf(const KV9Lua& api) { return std::bit_cast<LuaApiFields>(api); }

// A cache that already holds what a first start-up stores, so no whole-module search runs.
PointersCache warmCache() {
    PointersCache cache;
    cache.set(0, reinterpret_cast<uintptr_t>(g_baseLibArray));
    cache.set(1, functionAddress(&lua_pushcclosure));
    return cache;
}

GameLuaReg& gameRecord(const char* name) {
    const auto record = std::find_if(std::begin(g_baseLibArray), std::end(g_baseLibArray),
                                     [name](const GameLuaReg& r) {
                                         return std::strcmp(r.name, name) == 0;
                                     });
    if (record == std::end(g_baseLibArray)) throw std::logic_error(name);
    return *record;
}

// Changes one record of the game's array for the lifetime of the object.
class RecordPatch {
public:
    RecordPatch(GameLuaReg& record, const char* name, ::lua_CFunction function)
        : m_record(record), m_saved(record) {
        if (name != nullptr) m_record.name = name;
        if (function != nullptr) m_record.function = function;
    }
    ~RecordPatch() { m_record = m_saved; }
    RecordPatch(const RecordPatch&) = delete;
    RecordPatch& operator=(const RecordPatch&) = delete;

private:
    GameLuaReg& m_record;
    GameLuaReg m_saved;
};

TEST(KV9Lua, FindsTheStandInAndReusesTheIdsItStored) {
    PointersCache cache;
    EXPECT_EQ(fieldsOf(KV9Lua::initialize(cache)), standInLuaApiFields());
    EXPECT_EQ(cache.entries().size(), 2u);
    EXPECT_EQ(cache.find(0), reinterpret_cast<uintptr_t>(g_baseLibArray));
    EXPECT_EQ(cache.find(1), functionAddress(&lua_pushcclosure));

    const auto stored = cache.entries();
    EXPECT_EQ(fieldsOf(KV9Lua::initialize(cache)), standInLuaApiFields());
    EXPECT_EQ(cache.entries(), stored);
}

extern "C" {
void fixture_openlib_site();
void fixture_tail_pushcclosure();
}

TEST(KV9Lua, ACachedPushcclosureThatJumpsOnToItsHelperIsKept) {
    const uint32_t tailJump = functionAddress(&fixture_tail_pushcclosure);
    // The search takes such a function from its call site...
    const auto* site = reinterpret_cast<const uint8_t*>(functionAddress(&fixture_openlib_site));
    ASSERT_EQ(findLuaOpenlib(makeLegacy32Decoder(), site, 7), tailJump);

    // ...so a start-up with it cached takes it without searching again.
    PointersCache cache;
    cache.set(0, reinterpret_cast<uintptr_t>(g_baseLibArray));
    cache.set(1, tailJump);
    const auto stored = cache.entries();
    LuaApiFields expected = standInLuaApiFields();
    expected[5] = tailJump;
    EXPECT_EQ(fieldsOf(KV9Lua::initialize(cache)), expected);
    EXPECT_EQ(cache.entries(), stored);
}

// A cache whose entry for id points at address, its check window and checksum still those of
// the real entry, as a forged or inline cache can hold it.
PointersCache cacheWithPointer(uint32_t id, uintptr_t address) {
    const PointersCache real = warmCache();
    nlohmann::json pairs = real.entries();
    for (auto& pair : pairs) {
        if (pair[0] == id) pair[1]["pointer"] = static_cast<int32_t>(address - real.module().begin);
    }
    const SealedCache sealed = sealCache(nlohmann::json::to_msgpack({{"m_map", pairs}}));
    return PointersCache::fromJson(nlohmann::json::array({sealed.iv, sealed.ciphertext}));
}

TEST(KV9Lua, CachedAddressesOutsideTheGameModuleAreSearchedAgain) {
    // A readable copy of the game's array outside the module: taken, it would go unnoticed.
    const auto copy = std::make_unique<std::array<GameLuaReg, std::size(g_baseLibArray)>>();
    std::copy(std::begin(g_baseLibArray), std::end(g_baseLibArray), copy->begin());
    const uintptr_t outside = reinterpret_cast<uintptr_t>(copy->data());
    const uintptr_t moduleEnd = warmCache().module().end;
    struct Case {
        const char* what;
        uint32_t id;
        uintptr_t address;
    };
    const Case cases[] = {
        {"id 0 outside the module", 0, outside},
        {"id 1 outside the module", 1, outside},
        {"id 0 running past the module end", 0, moduleEnd - 8},
        {"id 1 at the module end", 1, moduleEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PointersCache cache = cacheWithPointer(c.id, c.address);
        ASSERT_EQ(cache.find(c.id), c.address);
        EXPECT_EQ(fieldsOf(KV9Lua::initialize(cache)), standInLuaApiFields());
        EXPECT_EQ(cache.entries(), warmCache().entries());
    }
}

// A copy of the game's array inside this program's image, as a forged cache may point at, its
// "_ALERT" record renamed so that the search never takes it; wiped again when done.
GameLuaReg g_arrayCopy[std::size(g_baseLibArray)];

class ArrayCopy {
public:
    ArrayCopy() {
        std::copy(std::begin(g_baseLibArray), std::end(g_baseLibArray), std::begin(g_arrayCopy));
        g_arrayCopy[0].name = "_ALERX";
    }
    ~ArrayCopy() { std::fill(std::begin(g_arrayCopy), std::end(g_arrayCopy), GameLuaReg{}); }
    ArrayCopy(const ArrayCopy&) = delete;
    ArrayCopy& operator=(const ArrayCopy&) = delete;
};

TEST(KV9Lua, CachedAddressesThatFailTheLocatorsTestsAreSearchedAgain) {
    const ArrayCopy copy;
    struct Case {
        const char* what;
        uint32_t id;
        uintptr_t address;
    };
    const Case cases[] = {
        {"id 1 at game data", 1, reinterpret_cast<uintptr_t>(g_baseLibArray)},
        {"id 1 at a game text", 1, reinterpret_cast<uintptr_t>(g_baseLibArray[0].name)},
        {"id 0 at records that are not the game's array", 0,
         reinterpret_cast<uintptr_t>(g_arrayCopy)},
        {"id 0 one record into the game's array", 0,
         reinterpret_cast<uintptr_t>(g_baseLibArray) + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PointersCache cache = cacheWithPointer(c.id, c.address);
        ASSERT_EQ(cache.find(c.id), c.address);
        EXPECT_EQ(fieldsOf(KV9Lua::initialize(cache)), standInLuaApiFields());
        EXPECT_EQ(cache.entries(), warmCache().entries());
    }
}

TEST(KV9Lua, FindersFollowTheContradictionRule) {
    struct Case {
        const char* what;
        const char* record;  // the record to change
        const char* name;    // its new name, or null to keep it
        ::lua_CFunction function;  // its new function, or null to keep it
        std::string error;
        bool gettopFound;
    };
    const Case cases[] = {
        {"sort leads to another settop than next", "sort", nullptr, &host_base_sort_other,
         "contradicting values", true},
        {"a second sort record leads to another settop", "collectgarbage", "sort",
         &host_base_sort_other, "contradicting values", true},
        {"foreach leads to another pushnil than next", "foreach", nullptr,
         &host_base_foreach_other, "contradicting values", true},
        {"a second next record with next's function", "collectgarbage", "next",
         gameRecord("next").function, "", true},
        {"no dofile record", "dofile", "dofilx", nullptr, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RecordPatch patch(gameRecord(c.record), c.name, c.function);
        PointersCache cache = warmCache();
        std::string error;
        LuaApiFields found{};
        try {
            found = fieldsOf(KV9Lua::initialize(cache));
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);
        if (!c.error.empty()) continue;
        LuaApiFields expected = standInLuaApiFields();
        if (!c.gettopFound) expected[0] = 0;
        EXPECT_EQ(found, expected);
    }
}

// Records around an "_ERRORMESSAGE" reference that must not pass: three {name, function} records
// each, the reference being the middle record's name word. They lie in this program's image, so
// the whole-module array search meets them too.
constexpr uintptr_t kOutside = 0x10;  // below every module
const char kOwnErrorText[] = "_ERRORMESSAGE";
const uintptr_t kGameErrorText = reinterpret_cast<uintptr_t>(g_baseLibArray[1].name);
const uintptr_t kFunction = functionAddress(&host_base_noop);

uintptr_t text(const char* t) { return reinterpret_cast<uintptr_t>(t); }

struct Decoy {
    const char* what;
    std::array<uintptr_t, 6> words;
};
const Decoy g_decoys[] = {
    {"previous text is \"_ALERTX\"",
     {text("_ALERTX"), kFunction, kGameErrorText, kFunction, text("call"), kFunction}},
    {"previous name outside",
     {kOutside, kFunction, text(kOwnErrorText), kFunction, text("call"), kFunction}},
    {"previous function outside",
     {text("_ALERT"), kOutside, kGameErrorText, kFunction, text("call"), kFunction}},
    {"next text is \"calls\"",
     {text("_ALERT"), kFunction, text(kOwnErrorText), kFunction, text("calls"), kFunction}},
    {"next name outside",
     {text("_ALERT"), kFunction, kGameErrorText, kFunction, kOutside, kFunction}},
    {"next function outside",
     {text("_ALERT"), kFunction, text(kOwnErrorText), kFunction, text("call"), kOutside}},
    {"neighbours swapped",
     {text("call"), kFunction, kGameErrorText, kFunction, text("_ALERT"), kFunction}},
};

uint32_t decoyReference(const Decoy& decoy) { return addressOf(&decoy.words[2]); }
uint32_t realReference() { return addressOf(g_baseLibArray) + 8; }

TEST(BaseLibLocator, ReferenceNeedsAlertAndCallRecordsInsideTheModule) {
    const TheGameModule module = getMainModuleRange();
    for (const Decoy& decoy : g_decoys) {
        EXPECT_FALSE(isBaseLibEntryReference(module, decoyReference(decoy))) << decoy.what;
    }
    EXPECT_TRUE(isBaseLibEntryReference(module, realReference()));
}

TEST(BaseLibLocator, ModuleBoundsOfTheRecordsAndTexts) {
    // The texts after the records and "_ALERT" last, so that the module end can cut its text.
    struct Layout {
        uint32_t words[6];
        char error[14];
        char call[5];
        char alert[7];
    } layout{};
    std::memcpy(layout.error, "_ERRORMESSAGE", sizeof layout.error);
    std::memcpy(layout.call, "call", sizeof layout.call);
    std::memcpy(layout.alert, "_ALERT", sizeof layout.alert);
    const uint32_t inside = addressOf(layout.error);
    const uint32_t start = addressOf(&layout);
    const uint32_t end = addressOf(layout.alert) + sizeof layout.alert;

    struct Case {
        const char* what;
        uint32_t begin;
        uint32_t end;
        uint32_t ownFunction;  // the "_ERRORMESSAGE" record's function word
        bool passes;
    };
    const Case cases[] = {
        {"everything inside", start, end, inside, true},
        {"own function outside: not tested", start, end, kOutside, true},
        {"\"_ALERT\" terminator outside", start, end - 1, inside, false},
        {"empty module", start, start, inside, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t words[6] = {addressOf(layout.alert), inside, addressOf(layout.error),
                                   c.ownFunction, addressOf(layout.call), inside};
        std::memcpy(layout.words, words, sizeof words);
        const TheGameModule module{c.begin, c.end, c.end - c.begin};
        EXPECT_EQ(isBaseLibEntryReference(module, addressOf(&layout.words[2])), c.passes);
    }
}

TEST(BaseLibLocator, ReferenceAtTheModuleEdgeReadsNothingOutside) {
    // One readable page between two inaccessible ones stands in for the module.
    constexpr uint32_t kPage = 0x1000;
    void* const reserved = VirtualAlloc(nullptr, 3 * kPage, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(reserved, nullptr);
    const std::unique_ptr<void, void (*)(void*)> release(
        reserved, [](void* p) { VirtualFree(p, 0, MEM_RELEASE); });
    auto* const page = static_cast<uint8_t*>(reserved) + kPage;
    ASSERT_NE(VirtualAlloc(page, kPage, MEM_COMMIT, PAGE_READWRITE), nullptr);
    const TheGameModule module{addressOf(page), addressOf(page) + kPage, kPage};

    const uint32_t alert = addressOf(page + 0x100);
    const uint32_t error = addressOf(page + 0x110);
    const uint32_t call = addressOf(page + 0x120);
    const uint32_t function = addressOf(page);
    std::memcpy(page + 0x100, "_ALERT", 7);
    std::memcpy(page + 0x110, "_ERRORMESSAGE", 14);
    std::memcpy(page + 0x120, "call", 5);
    auto wordAt = [page](uint32_t offset, uint32_t value) {
        std::memcpy(page + offset, &value, sizeof value);
    };

    // The module's first word: its "_ALERT" record would lie before the module.
    wordAt(0, error);
    wordAt(8, call);
    wordAt(12, function);
    EXPECT_FALSE(isBaseLibEntryReference(module, addressOf(page)));

    // The module's last word: its "call" record would lie after the module.
    wordAt(kPage - 12, alert);
    wordAt(kPage - 8, function);
    wordAt(kPage - 4, error);
    EXPECT_FALSE(isBaseLibEntryReference(module, addressOf(page) + kPage - 4));
}

TEST(BaseLibLocator, FindsTheGameArrayPastDecoys) {
    const TheGameModule module = getMainModuleRange();
    const uint32_t gameText = static_cast<uint32_t>(kGameErrorText);
    const auto refs = findBytePattern(module, reinterpret_cast<const uint8_t*>(&gameText), 4);
    for (const Decoy& decoy : g_decoys) {
        if (decoy.words[2] != kGameErrorText) continue;
        EXPECT_NE(std::find(refs.begin(), refs.end(), decoyReference(decoy)), refs.end())
            << decoy.what << " competes with the game's array";
    }
    EXPECT_EQ(locateBaseLibEntries(), addressOf(g_baseLibArray));
}

TEST(BaseLibLocator, NoReferenceBetweenAlertAndCallIsAnError) {
    const RecordPatch patch(gameRecord("call"), "calx", nullptr);
    std::string error;
    try {
        locateBaseLibEntries();
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Cannot locate lua base lib entries");
}

// Stands in for game code holding luaL_openlib call sites; it lies inside this program's image.
// It is only decoded, never run.
alignas(16) uint8_t g_callSiteArea[512];

// Writes x86 code into g_callSiteArea, and wipes it again when done so that no other test's
// module search meets these sites.
class CallSiteWriter {
public:
    CallSiteWriter() { std::memset(g_callSiteArea, 0xCC, sizeof g_callSiteArea); }
    ~CallSiteWriter() { std::memset(g_callSiteArea, 0, sizeof g_callSiteArea); }
    CallSiteWriter(const CallSiteWriter&) = delete;
    CallSiteWriter& operator=(const CallSiteWriter&) = delete;

    uint32_t here() const { return addressOf(g_callSiteArea + m_used); }
    // Returns the address of the first byte written.
    uint32_t emit(std::initializer_list<uint8_t> bytes) {
        const uint32_t start = here();
        std::copy(bytes.begin(), bytes.end(), g_callSiteArea + m_used);
        m_used += bytes.size();
        return start;
    }
    void emitWord(uint32_t word) {
        std::memcpy(g_callSiteArea + m_used, &word, sizeof word);
        m_used += sizeof word;
    }
    void emitCall(uint32_t target) {
        emit({0xE8});
        emitWord(target - (here() + 4));
    }

private:
    std::size_t m_used = 0;
};

TEST(BaseLibOpenlib, TakesTheFirstCallInsideTheFirstUsableCallSite) {
    // What follows "push 0x21; push <value>" at one occurrence of the pattern.
    enum class After {
        NopCallOpenlib,
        PushThenNop,
        PushCallEax,
        PushCallFunctionWithoutCall,
        PushCallOpenlib,
    };
    struct Case {
        const char* what;
        std::vector<After> sites;  // in ascending order
        bool found;
    };
    const Case cases[] = {
        {"unusable sites first",
         {After::NopCallOpenlib, After::PushThenNop, After::PushCallEax,
          After::PushCallFunctionWithoutCall, After::PushCallOpenlib},
         true},
        {"no usable site",
         {After::NopCallOpenlib, After::PushThenNop, After::PushCallEax,
          After::PushCallFunctionWithoutCall},
         false},
    };
    constexpr uint32_t kPushedValue = 0x5A17C0DE;  // made up; only these sites push it
    const ZydisDecoder decoder = makeLegacy32Decoder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CallSiteWriter code;
        const uint32_t pushcclosure = code.emit({0xC3});
        const uint32_t openlib = code.emit({0x53});  // push ebx; call pushcclosure; pop ebx; ret
        code.emitCall(pushcclosure);
        code.emit({0x5B, 0xC3});
        const uint32_t withoutCall = code.emit({0x31, 0xC0, 0xC3});  // xor eax, eax; ret

        const uint32_t firstSite = code.here();
        for (After after : c.sites) {
            code.emit({0x6A, 0x21, 0x68});
            code.emitWord(kPushedValue);
            switch (after) {
                case After::NopCallOpenlib:
                    code.emit({0x90});
                    code.emitCall(openlib);
                    break;
                case After::PushThenNop: code.emit({0x50, 0x90}); break;
                case After::PushCallEax: code.emit({0x50, 0xFF, 0xD0}); break;
                case After::PushCallFunctionWithoutCall:
                    code.emit({0x50});
                    code.emitCall(withoutCall);
                    break;
                case After::PushCallOpenlib:
                    code.emit({0xFF, 0x75, 0x08});  // push dword ptr [ebp+8]
                    code.emitCall(openlib);
                    break;
            }
        }

        const auto* pattern = reinterpret_cast<const uint8_t*>(firstSite);
        std::string outcome;
        try {
            outcome = hex(findLuaOpenlib(decoder, pattern, 7));
        } catch (const std::runtime_error& e) {
            outcome = e.what();
        }
        EXPECT_EQ(outcome, c.found ? hex(pushcclosure) : "Cannot find luaL_openlib");
    }
}

}  // namespace
