#include "overlay/script_scramble.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace Zo::KV9RudiVeruv;

namespace {

std::string plainScramble(const char* bytes, std::size_t length) {
    std::string text(bytes, length);
    for (char& byte : text) byte = static_cast<char>(static_cast<uint8_t>(byte) + 7);
    return text;
}

// The block path and the byte-by-byte rest against the plain loop: every length around the
// block sizes, from every start offset within a block, over bytes that wrap past 255.
TEST(ScrambleScriptText, EqualsThePlainLoopForEveryLengthAndOffset) {
    std::string source(64 + 300, '\0');
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i * 37 + 11);
    for (std::size_t offset = 0; offset < 64; ++offset) {
        for (std::size_t length = 0; length <= 300; ++length) {
            const char* bytes = source.data() + offset;
            ASSERT_EQ(scrambleScriptText(bytes, length), plainScramble(bytes, length))
                << "offset " << offset << ", length " << length;
        }
    }
}

TEST(ScrambleScriptText, WrapsEveryByteModulo256) {
    std::string all(256, '\0');
    for (int byte = 0; byte < 256; ++byte) all[byte] = static_cast<char>(byte);
    const std::string scrambled = scrambleScriptText(all.data(), all.size());
    ASSERT_EQ(scrambled.size(), 256u);
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(static_cast<uint8_t>(scrambled[byte]), (byte + 7) % 256) << byte;
    }
}

}  // namespace
