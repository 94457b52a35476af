#include "hostgame/game/known_build_code.h"

#include <windows.h>

#include <cstring>

namespace HostGame {

PlacedBuildCode placeKnownBuildCode(const KnownBuildCode& layout) {
    auto* const image = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
    const PlacedBuildCode placed{reinterpret_cast<void**>(image + layout.globalOffset),
                                 image + layout.codeOffset};
    std::memcpy(placed.code, layout.code.data(), layout.code.size());
    *placed.global = nullptr;
    return placed;
}

}  // namespace HostGame
