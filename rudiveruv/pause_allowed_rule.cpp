#include "rudiveruv/pause_allowed_rule.h"

namespace Zo::KV9RudiVeruv {

bool replayAllowsTimePause(const FollowedReplay& replay) {
    if (replay.writeOpenFailed) return false;
    return !replay.captured || replay.isPlayback || replay.gameMode == 1;
}

}  // namespace Zo::KV9RudiVeruv
