#include "rudiveruv/time_pause_state.h"

#include "tests/folder_state_guard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace Zo::KV9RudiVeruv;

namespace {

// What one thread saw of the pause flag: every change of it is a pause or a resume.
struct Transitions {
    int pauses = 0;
    int resumes = 0;

    void count(bool before, bool after) {
        pauses += !before && after;
        resumes += before && !after;
    }
};

enum class Partner { Toggle, StorePaused, StoreRunning };

// The overlay toggles while another thread toggles as well, or stores a pause
// (AppendMessageAndPause) or a resume (ForceAppContinue) by exchange, each counting the
// changes it made. When no change is lost, the flag ends where the counted changes lead.
TEST(PauseToggle, NoConcurrentToggleOrStoreIsLost) {
    const RudiVeruvStateGuard rudiVeruvState;
    constexpr int kSteps = 100000;
    struct Case {
        const char* what;
        Partner partner;
    };
    const Case cases[] = {{"two toggles", Partner::Toggle},
                          {"a toggle and the game's pause", Partner::StorePaused},
                          {"a toggle and the game's resume", Partner::StoreRunning}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_rudiVeruvd = false;
        std::atomic<int> ready{0};
        const auto startTogether = [&ready] {
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
        };
        Transitions overlay;
        Transitions other;
        std::thread toggler([&] {
            startTogether();
            for (int i = 0; i < kSteps; ++i) {
                const bool now = togglePause();
                overlay.count(!now, now);
            }
        });
        startTogether();
        for (int i = 0; i < kSteps; ++i) {
            if (c.partner == Partner::Toggle) {
                const bool now = togglePause();
                other.count(!now, now);
            } else {
                const bool stored = c.partner == Partner::StorePaused;
                other.count(g_rudiVeruvd.exchange(stored), stored);
            }
        }
        toggler.join();
        const int changes = overlay.pauses + other.pauses - overlay.resumes - other.resumes;
        EXPECT_EQ(changes, g_rudiVeruvd.load() ? 1 : 0)
            << "overlay " << overlay.pauses << " pauses, " << overlay.resumes
            << " resumes; other " << other.pauses << " pauses, " << other.resumes << " resumes";
    }
}

TEST(PauseToggle, FlipsAndTellsTheNewState) {
    const RudiVeruvStateGuard rudiVeruvState;
    g_rudiVeruvd = false;
    EXPECT_TRUE(togglePause());
    EXPECT_TRUE(g_rudiVeruvd.load());
    EXPECT_FALSE(togglePause());
    EXPECT_FALSE(g_rudiVeruvd.load());
}

}  // namespace
