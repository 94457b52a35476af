#pragma once

// Writes the head of a replay file the way the game lays it out: a binary marker, a fixed-size
// block, then the header text that carries the game type and the player slots.

#include <cstddef>
#include <string>
#include <string_view>

namespace HostGame {

inline constexpr std::string_view kReplayMarker{"\x08\0\0\0WDX7RPL\0", 12};
// The header text starts this many bytes after the marker's start.
inline constexpr std::size_t kReplayTextOffset = 0x49;

// Six slots: the recording human in slot 0, a computer player, four closed slots.
inline constexpr std::string_view kSixSlots = "H,0,1,0,Ana,0:C,1,2,1,0:X:X:X:X";

struct ReplayHeader {
    std::string gameType = "0";                  // the ";GT=" value
    std::string slots = std::string(kSixSlots);  // the ";S=" list
    char slotIndex = 0;                          // the raw byte after the list's ";"
    std::string lead;                            // bytes before the marker
    std::string tail = ";SD=1234;";              // after the slot index
};

// The header of a game of each game mode, as the game writes it: under game type "0", modes 1
// and 2 differ in the first slot's second field; mode 3 is any other game type.
inline ReplayHeader replayHeaderOfGameMode(int gameMode) {
    ReplayHeader header;
    if (gameMode == 2) header.slots = "H,1,1,0,Ana,0:C,1,2,1,0:X:X:X:X";
    if (gameMode == 3) header.gameType = "1";
    return header;
}

// lead, the marker, the block up to the text offset, then the text.
inline std::string replayBytes(std::string_view text, std::string_view lead = {}) {
    std::string bytes(lead);
    bytes += kReplayMarker;
    bytes.append(kReplayTextOffset - kReplayMarker.size(), '\x01');
    bytes += text;
    return bytes;
}

inline std::string replayHeaderText(const ReplayHeader& header) {
    return "M=Maps\\Coast_2P;MC=7;GT=" + header.gameType + ";S=" + header.slots + ";" +
           header.slotIndex + header.tail;
}

inline std::string replayHeaderBytes(const ReplayHeader& header) {
    return replayBytes(replayHeaderText(header), header.lead);
}

}  // namespace HostGame
