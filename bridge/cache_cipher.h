#pragma once

// The pointers cache file's encryption: Base64URL texts over AES-128-GCM.

#include <cstdint>
#include <string>
#include <vector>

namespace Tovek::KV9Lua {

// Base64URL: the URL-safe alphabet, no padding, no line breaks. Decoding skips foreign characters.
std::string encodeBase64Url(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> decodeBase64Url(const std::string& text);

// The two texts of the cache file, both Base64URL: the IV, and the ciphertext with its tag appended.
struct SealedCache {
    std::string iv;
    std::string ciphertext;
};

// AES-128-GCM under the cache key, with a fresh random 16-byte IV and a 12-byte tag.
SealedCache sealCache(const std::vector<uint8_t>& plaintext);
// Throws Crypto++'s verification error, or "data corrupted", when the tag does not match.
std::vector<uint8_t> openCache(const SealedCache& sealed);

}  // namespace Tovek::KV9Lua
