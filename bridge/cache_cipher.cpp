#include "bridge/cache_cipher.h"

#include <cryptopp/aes.h>
#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/gcm.h>
#include <cryptopp/osrng.h>

#include <stdexcept>
#include <string_view>

namespace Tovek::KV9Lua {

namespace {

// AES-128 takes the first 16 characters; the rest of the text is not used.
constexpr std::string_view kKeyMaterial = "QuietMarbleOrchardSpinsBeneathLanternHollowFjordx";
constexpr std::size_t kKeySize = CryptoPP::AES::DEFAULT_KEYLENGTH;
constexpr std::size_t kIvSize = 16;
constexpr int kTagSize = 12;

const CryptoPP::byte* key() { return reinterpret_cast<const CryptoPP::byte*>(kKeyMaterial.data()); }

}  // namespace

std::string encodeBase64Url(const std::vector<uint8_t>& bytes) {
    std::string text;
    CryptoPP::ArraySource(bytes.data(), bytes.size(), true,
                          new CryptoPP::Base64URLEncoder(new CryptoPP::StringSink(text), false));
    return text;
}

std::vector<uint8_t> decodeBase64Url(const std::string& text) {
    std::vector<uint8_t> bytes;
    CryptoPP::StringSource(text, true,
                           new CryptoPP::Base64URLDecoder(new CryptoPP::VectorSink(bytes)));
    return bytes;
}

SealedCache sealCache(const std::vector<uint8_t>& plaintext) {
    std::vector<uint8_t> iv(kIvSize);
    CryptoPP::AutoSeededRandomPool random;
    random.GenerateBlock(iv.data(), iv.size());

    CryptoPP::GCM<CryptoPP::AES>::Encryption encryption;
    encryption.SetKeyWithIV(key(), kKeySize, iv.data(), iv.size());
    std::vector<uint8_t> ciphertext;
    CryptoPP::ArraySource(plaintext.data(), plaintext.size(), true,
                          new CryptoPP::AuthenticatedEncryptionFilter(
                              encryption, new CryptoPP::VectorSink(ciphertext), false, kTagSize));
    return SealedCache{encodeBase64Url(iv), encodeBase64Url(ciphertext)};
}

std::vector<uint8_t> openCache(const SealedCache& sealed) {
    const std::vector<uint8_t> iv = decodeBase64Url(sealed.iv);
    CryptoPP::GCM<CryptoPP::AES>::Decryption decryption;
    decryption.SetKeyWithIV(key(), kKeySize, iv.data(), iv.size());

    std::vector<uint8_t> plaintext;
    CryptoPP::AuthenticatedDecryptionFilter filter(
        decryption, new CryptoPP::VectorSink(plaintext),
        CryptoPP::AuthenticatedDecryptionFilter::MAC_AT_END |
            CryptoPP::AuthenticatedDecryptionFilter::THROW_EXCEPTION,
        kTagSize);
    CryptoPP::StringSource(sealed.ciphertext, true,
                           new CryptoPP::Base64URLDecoder(new CryptoPP::Redirector(filter)));
    if (!filter.GetLastResult()) throw std::runtime_error("data corrupted");
    return plaintext;
}

}  // namespace Tovek::KV9Lua
