#include "hostgame/game/frame_image.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace HostGame {

namespace {

// The largest block a stored deflate block can hold.
constexpr std::size_t kStoredBlockLimit = 65535;

const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    return table;
}

uint32_t crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (const char byte : bytes) c = crcTable()[(c ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32(const std::string& bytes) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (const char byte : bytes) {
        a = (a + static_cast<uint8_t>(byte)) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void appendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void appendChunk(std::string& out, const char* type, const std::string& data) {
    appendBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    appendBigEndian(out, crc32(typed));
}

// zlib stream of stored blocks: header, blocks of at most 65535 bytes, Adler-32.
std::string storedZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(kStoredBlockLimit, raw.size() - offset);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    appendBigEndian(out, adler32(raw));
    return out;
}

}  // namespace

int FrameImage::differingPixels(const FrameImage& other, uint32_t left, uint32_t top,
                                uint32_t right, uint32_t bottom) const {
    int differing = 0;
    for (uint32_t y = top; y < bottom; ++y) {
        for (uint32_t x = left; x < right; ++x) differing += at(x, y) != other.at(x, y);
    }
    return differing;
}

std::string encodePng(const FrameImage& image) {
    std::string header;
    appendBigEndian(header, image.width);
    appendBigEndian(header, image.height);
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace

    // Each row: filter type 0, then its pixels as R, G, B.
    std::string raw;
    raw.reserve(static_cast<std::size_t>(image.height) * (1 + 3 * image.width));
    for (uint32_t y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint32_t pixel = image.at(x, y);
            raw.push_back(static_cast<char>(pixel >> 16));
            raw.push_back(static_cast<char>(pixel >> 8));
            raw.push_back(static_cast<char>(pixel));
        }
    }
    std::string png = "\x89PNG\r\n\x1a\n";
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", storedZlib(raw));
    appendChunk(png, "IEND", {});
    return png;
}

bool writePng(const std::filesystem::path& path, const FrameImage& image) {
    std::ofstream out(path, std::ios::binary);
    const std::string png = encodePng(image);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

}  // namespace HostGame
