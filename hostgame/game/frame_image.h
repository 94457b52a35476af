#pragma once

// A frame read back from the game's back buffer, and how to keep it as a PNG file.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace HostGame {

struct FrameImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, row by row from the top

    uint32_t at(uint32_t x, uint32_t y) const { return pixels[y * width + x]; }
    // How many pixels of the rectangle [left, right) x [top, bottom) differ between the two.
    int differingPixels(const FrameImage& other, uint32_t left, uint32_t top, uint32_t right,
                        uint32_t bottom) const;
};

// The PNG file of an RGB image: uncompressed (stored) deflate blocks, so no compressor is
// needed; every chunk with its CRC and the stream with its Adler-32.
std::string encodePng(const FrameImage& image);
// False when the file cannot be written.
bool writePng(const std::filesystem::path& path, const FrameImage& image);

}  // namespace HostGame
