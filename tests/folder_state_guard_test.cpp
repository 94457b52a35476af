#include "tests/folder_state_guard.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

// A test that changes the state and then stops at a failed assertion.
void changeOverlayStateAndFail() {
    const OverlayStateGuard guard;
    g_hotkeyPause = 'Q';
    g_cameraProfiles.assign(3, CameraProfile{});
    g_currentProfile.description = "changed";
    g_configStatusText = "changed";
    g_outputLog.push_back(OutputLogEntry{"changed"});
    g_playerColorTable.colorValue = 0x123456;
    g_toolkitInput.post(WindowMessage{0x100, 'Q', 0});
    FAIL() << "stops here";
}

void changeTimePauseStateAndFail() {
    const RudiVeruvStateGuard guard;
    g_rudiVeruvd = true;
    g_gameTime = 99.0;
    g_fastForwardTarget = 12.0f;
    g_processEnding = true;
    FAIL() << "stops here";
}

}  // namespace

TEST(FolderStateGuard, PutsTheOverlaysStateBackWhenAnAssertionEndsTheTest) {
    std::lock_guard lock(g_stateMutex);
    const OverlayStateGuard outer;
    g_hotkeyPause = 'P';
    g_cameraProfiles.assign(1, CameraProfile{});
    g_currentProfile.description = "kept";
    g_configStatusText = "kept";
    g_outputLog.clear();
    g_outputLog.push_back(OutputLogEntry{"kept"});
    g_playerColorTable.colorValue = 0xABCDEF;
    g_toolkitInput.takeAll();
    g_toolkitInput.post(WindowMessage{0x200, 0, 7});

    EXPECT_FATAL_FAILURE(changeOverlayStateAndFail(), "stops here");

    EXPECT_EQ(g_hotkeyPause, 'P');
    EXPECT_EQ(g_cameraProfiles.size(), 1u);
    EXPECT_EQ(g_currentProfile.description, "kept");
    EXPECT_EQ(g_configStatusText, "kept");
    ASSERT_EQ(g_outputLog.size(), 1u);
    EXPECT_EQ(g_outputLog[0].text, "kept");
    EXPECT_EQ(g_playerColorTable.colorValue, 0xABCDEF);
    const std::vector<WindowMessage> queued = g_toolkitInput.takeAll();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].lParam, 7);
}

TEST(FolderStateGuard, PutsTheTimePauseStateBackWhenAnAssertionEndsTheTest) {
    const RudiVeruvStateGuard outer;
    g_rudiVeruvd = false;
    g_gameTime = 4.0;
    g_fastForwardTarget = -1.0f;
    g_processEnding = false;

    EXPECT_FATAL_FAILURE(changeTimePauseStateAndFail(), "stops here");

    EXPECT_FALSE(g_rudiVeruvd.load());
    EXPECT_EQ(g_gameTime, 4.0);
    EXPECT_EQ(g_fastForwardTarget, -1.0f);
    EXPECT_FALSE(g_processEnding.load());
}

#ifdef _WIN32
// An owned object waits aside while the test runs without one, and comes back over whatever the
// test left; the replay capture's fields come back under its own lock.
TEST(FolderStateGuard, TakesOwnedObjectsAsideAndBringsThemBack) {
    using namespace Tovek::KV9Lua;
    const BridgeStateGuard outer;
    g_setglobalCallbacks = std::make_unique<SetglobalCallbacks>();
    const SetglobalCallbacks* const kept = g_setglobalCallbacks.get();
    {
        const BridgeStateGuard guard;
        EXPECT_EQ(g_setglobalCallbacks, nullptr);
        g_setglobalCallbacks = std::make_unique<SetglobalCallbacks>();
    }
    EXPECT_EQ(g_setglobalCallbacks.get(), kept);

    const RudiVeruvStateGuard rudiVeruvOuter;
    {
        std::lock_guard lock(g_replayCapture.mutex);
        resetReplayCapture();
        g_replayCapture.gameMode = 2;
    }
    {
        const RudiVeruvStateGuard guard;
        std::lock_guard lock(g_replayCapture.mutex);
        g_replayCapture.gameMode = 3;
        g_replayCapture.buffer = "changed";
    }
    std::lock_guard lock(g_replayCapture.mutex);
    EXPECT_EQ(g_replayCapture.gameMode, 2);
    EXPECT_TRUE(g_replayCapture.buffer.empty());
}
#endif
