#include "rudiveruv/pause_allowed_rule.h"

#include <gtest/gtest.h>

using namespace Zo::KV9RudiVeruv;

namespace {

TEST(PauseAllowedRule, PauseIsAllowedOutsideMultiplayerRecordings) {
    struct Case {
        const char* name;
        FollowedReplay replay;
        bool allowed;
    };
    const Case cases[] = {
        {"no replay", {}, true},
        {"recording, game mode 1", {.captured = true, .gameMode = 1}, true},
        {"recording, game mode 2", {.captured = true, .gameMode = 2}, false},
        {"recording, game mode 3", {.captured = true, .gameMode = 3}, false},
        {"recording, header not parsed yet", {.captured = true}, false},
        {"playback of a multiplayer game", {.captured = true, .isPlayback = true, .gameMode = 2},
         true},
        {"playback, header not parsed", {.captured = true, .isPlayback = true}, true},
        {"failed open for writing", {.writeOpenFailed = true}, false},
        {"failed open wins over a game mode 1", {.writeOpenFailed = true, .captured = true,
                                                 .gameMode = 1}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(replayAllowsTimePause(c.replay), c.allowed) << c.name;
    }
}

}  // namespace
