#include "overlay/script_scramble.h"

#include <cstdint>
#include <cstring>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr std::size_t kBlockSize = 64;
using ByteBlock = uint8_t __attribute__((vector_size(kBlockSize)));

// The game's processors all have SSE2; the DLL's baseline target does not assume it.
#if defined(__i386__) || defined(__x86_64__)
__attribute__((target("sse2")))
#endif
void scrambleBlocks(char* text, std::size_t blockCount) {
    for (std::size_t block = 0; block < blockCount; ++block) {
        char* const at = text + block * kBlockSize;
        ByteBlock bytes;
        std::memcpy(&bytes, at, kBlockSize);
        bytes += kScriptScrambleOffset;
        std::memcpy(at, &bytes, kBlockSize);
    }
}

}  // namespace

std::string scrambleScriptText(const char* bytes, std::size_t length) {
    std::string text(bytes, length);
    const std::size_t blockCount = length / kBlockSize;
    scrambleBlocks(text.data(), blockCount);
    for (std::size_t i = blockCount * kBlockSize; i < length; ++i) {
        text[i] = static_cast<char>(static_cast<uint8_t>(text[i]) + kScriptScrambleOffset);
    }
    return text;
}

}  // namespace Zo::KV9RudiVeruv
