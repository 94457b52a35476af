#pragma once

// A known game build as the plug-in recognises it: 32 bytes of the game's code at a fixed place
// in the image, and the game global that code reads. The addresses inside the bytes are those at
// the image base 0x400000. The stand-in keeps both in its image's data area.

#include <array>
#include <cstdint>

namespace HostGame {

struct KnownBuildCode {
    uint32_t globalOffset;  // from the image's begin
    uint32_t codeOffset;
    std::array<uint8_t, 32> code;
};

// Where the layout's global and code lie in this process's image.
struct PlacedBuildCode {
    void** global;
    uint8_t* code;
};

// Writes the code into this image and clears the global, as the game's image holds them when it
// is loaded.
PlacedBuildCode placeKnownBuildCode(const KnownBuildCode& layout);

}  // namespace HostGame
