// The first bytes of a replay file, as the capture hands them to the header parser.

#include "rudiveruv/replay_header.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    int gameMode = 0;
    const bool parsed = Zo::KV9RudiVeruv::parseReplayHeader(
        std::string_view(reinterpret_cast<const char*>(data), size), gameMode);
    // A header that passes every check has told its game mode.
    if (parsed && (gameMode < 1 || gameMode > 3)) __builtin_trap();
    return 0;
}
