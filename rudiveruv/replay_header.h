#pragma once

// The head of the game's replay files: a binary marker, then a text of ";"-separated entries
// whose game type and player slots tell what kind of game was played.

#include <string_view>

namespace Zo::KV9RudiVeruv {

// Reads the game mode of the replay whose first bytes are given: 1 and 2 for the two kinds of a
// game type "0" (by the first slot field), 3 for any other game type. gameMode is written as soon
// as it is known, so a header that fails a later check still leaves it. True only when the header
// passes every check.
bool parseReplayHeader(std::string_view bytes, int& gameMode);

}  // namespace Zo::KV9RudiVeruv
