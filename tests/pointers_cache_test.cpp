#include "bridge/pointers_cache.h"

#include "bridge/cache_cipher.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace Tovek::KV9Lua;
using nlohmann::json;

namespace {

// Stands in for game code: it lies inside this program's image, and tests rewrite it.
alignas(4096) uint8_t fixture[8192];

template <typename Error, typename Action>
std::string errorOf(Action&& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

class PointersCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < sizeof fixture; ++i) fixture[i] = static_cast<uint8_t>(i);
    }

    static uintptr_t inFixture(std::size_t index) {
        return reinterpret_cast<uintptr_t>(fixture + index);
    }
    int32_t offsetOf(uintptr_t address) const {
        return static_cast<int32_t>(address - cache.module().begin);
    }
    PointersCacheEntry entryAt(std::size_t index) const {
        const int32_t offset = offsetOf(inFixture(index));
        return {offset, offset - 512, offset + 512, 0};
    }
    // A well-encrypted file that holds exactly these pairs, whatever their values.
    static json sealedFile(const json& pairs) {
        const SealedCache sealed = sealCache(json::to_msgpack(json{{"m_map", pairs}}));
        return json::array({sealed.iv, sealed.ciphertext});
    }

    PointersCache cache;
};

TEST_F(PointersCacheTest, NothingIsStoredForTheFirstEightBytesOfTheModule) {
    for (uint32_t offset = 0; offset < 8; ++offset) {
        cache.set(1, cache.module().begin + offset);
        EXPECT_EQ(cache.find(1), 0u) << "offset " << offset;
    }
    EXPECT_TRUE(cache.entries().empty());
}

TEST_F(PointersCacheTest, CheckWindowIsCentredAndShrinksNearTheModuleEdges) {
    enum class Anchor { ModuleBegin, Fixture, ModuleEnd };
    struct Case {
        const char* name;
        Anchor anchor;
        int32_t delta;
        std::optional<int32_t> halfWidth;  // none: not stored
    };
    const Case cases[] = {
        {"offset 8", Anchor::ModuleBegin, 8, 8},
        {"well inside", Anchor::Fixture, 4096, 512},
        {"100 bytes before the end", Anchor::ModuleEnd, -100, 100},
        {"at the end", Anchor::ModuleEnd, 0, std::nullopt},
        {"past the end", Anchor::ModuleEnd, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointersCache fresh;
        const uintptr_t anchor = c.anchor == Anchor::ModuleBegin ? fresh.module().begin
                                 : c.anchor == Anchor::Fixture   ? inFixture(0)
                                                                 : fresh.module().end;
        const uintptr_t address = anchor + c.delta;
        EXPECT_NO_THROW(fresh.set(7, address));
        if (!c.halfWidth) {
            EXPECT_TRUE(fresh.entries().empty());
            EXPECT_EQ(fresh.find(7), 0u);
            continue;
        }
        ASSERT_EQ(fresh.entries().count(7), 1u);
        const PointersCacheEntry& entry = fresh.entries().at(7);
        const int32_t offset = static_cast<int32_t>(address - fresh.module().begin);
        EXPECT_EQ(entry.pointer, offset);
        EXPECT_EQ(entry.checkBegin, offset - *c.halfWidth);
        EXPECT_EQ(entry.checkEnd, offset + *c.halfWidth);
        EXPECT_EQ(fresh.find(7), address);
    }
}

TEST_F(PointersCacheTest, ChecksumIsTheStandardCrc32OfTheWindow) {
    // The window covers fixture bytes 3584..4607: the values 0..255 four times over.
    cache.set(2, inFixture(4096));
    EXPECT_EQ(cache.entries().at(2).crc, 0xB70B4C26u);
}

TEST_F(PointersCacheTest, AddressBelowTheModuleIsRejected) {
    EXPECT_EQ(errorOf<std::runtime_error>([&] { cache.set(1, cache.module().begin - 1); }),
              "invalid pointer");
    EXPECT_TRUE(cache.entries().empty());
}

TEST_F(PointersCacheTest, SecondSetOfAnIdKeepsTheFirstEntryUntilErased) {
    cache.set(3, inFixture(1000));
    EXPECT_EQ(errorOf<std::invalid_argument>([&] { cache.set(3, inFixture(3000)); }),
              "there might be duplicate id");
    EXPECT_EQ(cache.find(3), inFixture(1000));

    cache.set(3, 0);
    EXPECT_EQ(cache.find(3), 0u);
    cache.set(3, inFixture(3000));
    EXPECT_EQ(cache.find(3), inFixture(3000));
}

TEST_F(PointersCacheTest, ErasingAnUnknownIdChangesNothing) {
    cache.set(4, inFixture(1000));
    EXPECT_NO_THROW(cache.set(9, 0));
    EXPECT_EQ(cache.entries().size(), 1u);
    EXPECT_EQ(cache.find(9), 0u);
}

TEST_F(PointersCacheTest, FileIsIvAndCiphertextWithTagInBase64Url) {
    cache.set(0, inFixture(1000));
    cache.set(1, inFixture(5000));
    const json file = cache.toJson();

    ASSERT_TRUE(file.is_array());
    ASSERT_EQ(file.size(), 2u);
    const std::string iv = file[0].get<std::string>();
    const std::string ciphertext = file[1].get<std::string>();
    const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    EXPECT_EQ(iv.size(), 22u);
    EXPECT_EQ(iv.find_first_not_of(alphabet), std::string::npos);
    EXPECT_EQ(ciphertext.find_first_not_of(alphabet), std::string::npos);

    const std::vector<uint8_t> plaintext = openCache({iv, ciphertext});
    EXPECT_EQ(decodeBase64Url(iv).size(), 16u);
    const std::size_t sealedSize = plaintext.size() + 12;
    EXPECT_EQ(decodeBase64Url(ciphertext).size(), sealedSize);
    EXPECT_EQ(ciphertext.size(), (sealedSize * 4 + 2) / 3);  // unpadded

    const json decoded = json::from_msgpack(plaintext);
    ASSERT_EQ(decoded.size(), 1u);
    ASSERT_EQ(decoded.at("m_map").size(), 2u);
    for (const json& pair : decoded.at("m_map")) {
        ASSERT_EQ(pair.size(), 2u);
        const auto id = pair[0].get<uint32_t>();
        PointersCacheEntry expected = entryAt(id == 0 ? 1000 : 5000);
        expected.crc = cache.entries().at(id).crc;
        EXPECT_EQ(pair[1], (json{{"pointer", expected.pointer},
                                 {"checkBegin", expected.checkBegin},
                                 {"checkEnd", expected.checkEnd},
                                 {"crc", expected.crc}}));
    }
}

TEST_F(PointersCacheTest, EverySaveHasAFreshIvAndLoadsToTheSameEntries) {
    cache.set(0, inFixture(1000));
    cache.set(1, inFixture(5000));
    const json first = cache.toJson();
    const json second = cache.toJson();

    EXPECT_NE(first[0], second[0]);
    EXPECT_NE(first[1], second[1]);
    EXPECT_EQ(PointersCache::fromJson(first).entries(), cache.entries());
    EXPECT_EQ(PointersCache::fromJson(second).entries(), cache.entries());
    EXPECT_EQ(PointersCache::fromJson(first).find(1), inFixture(5000));
}

TEST_F(PointersCacheTest, OneChangedByteInAnyWindowDropsEveryEntry) {
    cache.set(0, inFixture(1000));
    cache.set(1, inFixture(5000));
    const json file = cache.toJson();

    fixture[5000 + 511] ^= 0x01;  // last byte of the second entry's window only
    EXPECT_TRUE(PointersCache::fromJson(file).entries().empty());
    fixture[5000 + 511] ^= 0x01;
    fixture[5000 + 512] ^= 0x01;  // just past it
    EXPECT_EQ(PointersCache::fromJson(file).entries().size(), 2u);
}

TEST_F(PointersCacheTest, AlteredCiphertextOrTagFailsVerification) {
    cache.set(0, inFixture(1000));
    const json file = cache.toJson();
    const std::size_t sealedSize = decodeBase64Url(file[1].get<std::string>()).size();
    for (const std::size_t index : {std::size_t{0}, sealedSize - 1}) {
        SCOPED_TRACE(index == 0 ? "ciphertext" : "tag");
        std::vector<uint8_t> sealed = decodeBase64Url(file[1].get<std::string>());
        sealed[index] ^= 0x80;
        const json altered = json::array({file[0], encodeBase64Url(sealed)});
        EXPECT_EQ(errorOf<std::exception>([&] { PointersCache::fromJson(altered); }),
                  "HashVerificationFilter: message hash or MAC not valid");
    }
}

TEST_F(PointersCacheTest, StoredEntriesMustMatchTheImageExactly) {
    cache.set(0, inFixture(4096));
    cache.set(1, cache.module().end - 8);  // window [size - 16, size)
    const PointersCacheEntry inside = cache.entries().at(0);
    const PointersCacheEntry atEnd = cache.entries().at(1);
    const auto fileWith = [&](const PointersCacheEntry& second) {
        return sealedFile(json::array({json::array({0, inside}), json::array({1, second})}));
    };
    ASSERT_EQ(PointersCache::fromJson(fileWith(atEnd)).entries(), cache.entries());

    struct Case {
        const char* name;
        PointersCacheEntry stored;
    };
    const Case bad[] = {
        {"other crc", {atEnd.pointer, atEnd.checkBegin, atEnd.checkEnd, atEnd.crc + 1}},
        {"end past the module", {atEnd.pointer, atEnd.checkBegin, atEnd.checkEnd + 8, atEnd.crc}},
        {"window of 15 bytes", {atEnd.pointer, atEnd.checkBegin + 1, atEnd.checkEnd, atEnd.crc}},
        {"negative begin", {atEnd.pointer, -16, atEnd.checkEnd, atEnd.crc}},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(PointersCache::fromJson(fileWith(c.stored)).entries().empty());
    }
}

TEST_F(PointersCacheTest, IdStoredTwiceInAFileKeepsItsFirstEntry) {
    cache.set(0, inFixture(1000));
    cache.set(1, inFixture(5000));
    const json file = sealedFile(json::array(
        {json::array({6, cache.entries().at(0)}), json::array({6, cache.entries().at(1)})}));
    const PointersCache loaded = PointersCache::fromJson(file);
    EXPECT_EQ(loaded.entries().size(), 1u);
    EXPECT_EQ(loaded.find(6), inFixture(1000));
}

TEST_F(PointersCacheTest, MalformedFilesFailWithTheJsonLibraryErrors) {
    const json file = [&] {
        cache.set(0, inFixture(1000));
        return cache.toJson();
    }();
    const SealedCache withoutMap = sealCache(json::to_msgpack(json{{"other", 1}}));
    const SealedCache trailingByte = [] {
        std::vector<uint8_t> bytes = json::to_msgpack(json{{"m_map", json::array()}});
        bytes.push_back(0xC0);
        return sealCache(bytes);
    }();
    struct Case {
        json value;
        std::string error;
    };
    const Case cases[] = {
        {json::object(), "[json.exception.type_error.302] type must be array, but is object"},
        {json::array({file[0]}), "[json.exception.out_of_range.401] array index 1 is out of range"},
        {json::array({file[0], 5}), "[json.exception.type_error.302] type must be string, but is number"},
        {json::array({withoutMap.iv, withoutMap.ciphertext}),
         "[json.exception.out_of_range.403] key 'm_map' not found"},
        {json::array({trailingByte.iv, trailingByte.ciphertext}),
         "[json.exception.parse_error.110] parse error at byte 9: syntax error while parsing "
         "MessagePack value: expected end of input; last byte: 0xC0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.dump());
        EXPECT_EQ(errorOf<std::exception>([&] { PointersCache::fromJson(c.value); }), c.error);
    }
}

}  // namespace
