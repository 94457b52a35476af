// The overlay's frame on the build machine, optimised and without sanitizers, in a headless
// toolkit with the overlay's own fonts: the toolkit's new frame, every step of the overlay
// frame, its end and render to draw lists, beside an empty toolkit frame in the same run.
// Prints `name: value` lines (used by scripts/bench).

#include "overlay/camera_profile.h"
#include "overlay/camera_write_back.h"
#include "overlay/main_window.h"
#include "overlay/monotonic_clock.h"
#include "overlay/output_log.h"
#include "overlay/overlay_fonts.h"
#include "overlay/overlay_frame_steps.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/fake_game_render.h"
#include "tests/headless_context.h"

#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

using Clock = std::chrono::steady_clock;

const ImVec2 kDisplaySize(1280.0f, 1024.0f);
// A main window tall enough to show its Output pane below its other rows.
const ImVec2 kTallMainWindow(640.0f, 1000.0f);
// The animation's clock moves this far each frame, whatever the frame took: every run plays
// the same keyframes.
constexpr std::chrono::milliseconds kAnimationStep(10);

struct BenchRun {
    int warmUp = 100;
    int frames = 2000;
};

// Microseconds of each measured frame.
std::vector<double> timeFrames(const BenchRun& run, const std::function<void()>& frame) {
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(run.frames));
    for (int i = 0; i < run.warmUp + run.frames; ++i) {
        const Clock::time_point start = Clock::now();
        frame();
        const std::chrono::duration<double, std::micro> took = Clock::now() - start;
        if (i >= run.warmUp) samples.push_back(took.count());
    }
    return samples;
}

// The value below which the given share of the samples lie.
double percentile(std::vector<double> samples, double share) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(samples.size() - 1));
    return samples[index];
}

// The game's camera, moved only by the animation.
struct FakeCamera {
    CameraCoordinate coordinate{1000.0f, 800.0f, 350.0f, 0.0f, 42.0f, 0.0f};

    GameCameraAccess access() {
        return {[this] { return std::optional<CameraCoordinate>(coordinate); },
                [this](const CameraCoordinate& moved) { coordinate = moved; }};
    }
};

// The Output log full, as after a long session.
void fillOutputLog() {
    for (int line = 1; line <= static_cast<int>(kOutputLogCapacity); ++line) {
        appendOutputLog("[Game] 第" + std::to_string(line) + "行: Spearmen hold the ford");
    }
}

// Every window open: camera control on, an animation of `keyframes` keyframes playing through
// Bezier segments from its start (so that the inspector shows), and the Lua functions window.
void openAllWindows(int keyframes) {
    std::lock_guard lock(g_stateMutex);
    g_rudiVeruvAllowed = true;
    g_cameraControlEnabled = true;
    g_luaWindowAvailable = true;
    CameraProfile& profile = g_currentProfile;
    profile.animations.clear();
    for (int key = 0; key < keyframes; ++key) {
        const CameraPoint point{1000.0f + 10.0f * key, 800.0f, 350.0f, 0.1f * key, 42.0f, 0.0f,
                                "镜头 " + std::to_string(key), true};
        profile.animations[static_cast<float>(key)] = point;
    }
    profile.animationPlaying = true;
    profile.animationStart.reset();
}

std::filesystem::path fontsFolder(int argc, char** argv) {
    if (argc > 1) return argv[1];
    return std::filesystem::path(VELLOX_FONTS_DIR) / "both" / "Fonts";
}

}  // namespace

int main(int argc, char** argv) {
    const BenchRun run;
    ImFontAtlas fonts;
    const int loaded = loadOverlayFonts(&fonts, fontsFolder(argc, argv));
    ImGuiContext* const context = createHeadlessContext(kDisplaySize, &fonts);

    MonotonicTime animationNow = Clock::now();
    {
        std::lock_guard lock(g_stateMutex);
        g_cameraProfiles.resize(1);  // as after the first frame's configuration load
        g_currentProfile = g_cameraProfiles[0];
    }
    fillOutputLog();

    FakeGameRender render;
    FakeCamera camera;
    const OverlayFrameEdges edges{camera.access(), render.edge(), {}, {},
                                  [&animationNow] { return animationNow; }};
    const auto overlayFrame = [&](bool tallMainWindow) {
        return [&, tallMainWindow] {
            animationNow += kAnimationStep;
            ImGui::NewFrame();
            {
                std::lock_guard lock(g_stateMutex);
                if (tallMainWindow) ImGui::SetNextWindowSize(kTallMainWindow);  // its Begin's
                runOverlayFrameSteps(edges);
            }
            ImGui::Render();
        };
    };

    const std::vector<double> empty = timeFrames(run, [] {
        ImGui::NewFrame();
        ImGui::Render();
    });
    const std::vector<double> mainWindow = timeFrames(run, overlayFrame(false));
    openAllWindows(50);
    const std::vector<double> allWindows = timeFrames(run, overlayFrame(true));
    openAllWindows(500);
    const std::vector<double> allWindows500 = timeFrames(run, overlayFrame(true));

    const double emptyMedian = percentile(empty, 0.5);
    const double mainMedian = percentile(mainWindow, 0.5);
    const double allMedian = percentile(allWindows, 0.5);
    const double all500Median = percentile(allWindows500, 0.5);
    std::printf("native_frames: %d of each after %d warm-up\n", run.frames, run.warmUp);
    std::printf("native_fonts: %d\n", loaded);
    std::printf("toolkit_empty_frame_us_median: %.1f\n", emptyMedian);
    std::printf("overlay_native_frame_us_median: %.1f\n", mainMedian);
    std::printf("overlay_native_frame_us_p99: %.1f\n", percentile(mainWindow, 0.99));
    std::printf("overlay_native_all_windows_us_median: %.1f\n", allMedian);
    std::printf("overlay_native_500_keyframes_us_median: %.1f\n", all500Median);
    std::printf("overlay_native_frame_over_empty_median: %.1f\n", mainMedian / emptyMedian);
    std::printf("overlay_native_all_windows_over_empty_median: %.1f\n", allMedian / emptyMedian);
    std::printf("overlay_native_500_over_50_keyframes_median: %.2f\n", all500Median / allMedian);

    ImGui::DestroyContext(context);
    return EXIT_SUCCESS;
}
