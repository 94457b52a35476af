#pragma once

// Globals of known game builds, each recognised by 32 bytes of the game's code that read it.

#include "bridge/code_scan.h"

#include <array>
#include <cstdint>

namespace Zo::KV9RudiVeruv {

struct BuildSignature {
    uint32_t globalOffset;  // from the module's begin; also the least module size of the build
    uint32_t codeOffset;
    std::array<uint8_t, 32> code;
};

// The global's address when the module is larger than its offset, the global's four bytes and
// the code lie inside the module, and the module's bytes equal the code; otherwise 0.
uint32_t findBuildGlobal(const TheGameModule& module, const BuildSignature& build);

}  // namespace Zo::KV9RudiVeruv
