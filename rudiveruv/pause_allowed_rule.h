#pragma once

// When time pause is allowed, from what is known of the replay file the game has open.

namespace Zo::KV9RudiVeruv {

struct FollowedReplay {
    bool writeOpenFailed = false;  // the game could not open its recording
    bool captured = false;         // a replay file is being followed
    bool isPlayback = false;
    int gameMode = 0;  // from the header; 0 until it is parsed
};

// No time pause in a multiplayer game: a recording whose game mode is not 1, or one whose
// replay could not be opened for writing. A replay played back and no replay at all allow it.
bool replayAllowsTimePause(const FollowedReplay& replay);

}  // namespace Zo::KV9RudiVeruv
