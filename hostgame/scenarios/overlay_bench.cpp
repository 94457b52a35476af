#include "hostgame/scenarios/overlay_bench.h"

#include "hostgame/game/game_device.h"
#include "hostgame/game/game_fonts.h"
#include "hostgame/game/game_render_settings.h"
#include "overlay/camera_profile.h"
#include "overlay/main_window.h"
#include "overlay/output_log.h"
#include "overlay/overlay_frame_steps.h"
#include "overlay/overlay_host.h"
#include "rudiveruv/time_pause_state.h"

#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <cstdio>
#include <string>
#include <vector>

namespace HostGame {

namespace {

using Clock = std::chrono::steady_clock;

// Time on the render thread. (Its CPU time from GetThreadTimes comes in 10 ms steps under
// Wine, too coarse for one call.)
double nowMicroseconds() {
    return std::chrono::duration<double, std::micro>(Clock::now().time_since_epoch()).count();
}

// The overlay's own work in a frame without the device: the toolkit's frame with the windows
// and the full Output log, in a headless toolkit of its own.
std::vector<double> headlessFrameSteps(int frames) {
    ImGuiContext* const overlay = ImGui::GetCurrentContext();
    ImGuiContext* const headless = ImGui::CreateContext(ImGui::GetIO().Fonts);
    ImGui::SetCurrentContext(headless);
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::GetIO().DisplaySize = ImVec2(GameDevice::kWidth, GameDevice::kHeight);
    const Zo::KV9RudiVeruv::GameCameraAccess noCamera{[] { return std::nullopt; },
                                                      [](const auto&) {}};
    std::vector<double> samples;
    for (int i = 0; i < frames + 5; ++i) {
        const double start = nowMicroseconds();
        ImGui::NewFrame();
        {
            std::lock_guard lock(Zo::KV9RudiVeruv::g_stateMutex);
            Zo::KV9RudiVeruv::runOverlayFrameSteps({noCamera, {}, {}});
        }
        ImGui::Render();
        if (i >= 5) samples.push_back(nowMicroseconds() - start);
    }
    ImGui::DestroyContext(headless);
    ImGui::SetCurrentContext(overlay);
    return samples;
}

// The value below which the given share of the samples lie.
double percentile(std::vector<double> samples, double share) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(samples.size() - 1));
    return samples[index];
}

// Every window open: camera control on with an animation of 50 keyframes playing through Bezier
// segments, so that the inspector shows, and the Lua functions window.
void openAllWindows() {
    using namespace Zo::KV9RudiVeruv;
    placeRenderSettings();
    std::lock_guard lock(g_stateMutex);
    g_rudiVeruvAllowed = true;
    g_cameraControlEnabled = true;
    g_luaWindowAvailable = true;
    for (int key = 0; key < 50; ++key) {
        CameraPoint point{1000.0f + 10.0f * key, 800.0f, 350.0f, 0.1f * key, 42.0f, 0.0f};
        point.label = "镜头 " + std::to_string(key);
        point.bezierAfter = true;
        g_currentProfile.animations[static_cast<float>(key)] = point;
    }
    g_currentProfile.animationPlaying = true;
}

}  // namespace

int runOverlayBench(int frames) {
    useSystemFonts(SystemFonts::MonospaceAndChinese);
    GameDevice game;
    IDirect3DDevice9* const device = game.device();
    // The Output log full, as after a long session.
    for (int line = 1; line <= 1000; ++line) {
        const std::string text = "[Game] 第" + std::to_string(line) + "行: Spearmen hold the ford";
        Zo::KV9RudiVeruv::appendOutputLog(text.data(), text.size());
    }

    std::vector<double> overlay;
    std::vector<double> plain;
    const auto frame = [&](bool withOverlay, std::vector<double>* samples) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x204060, 1.0f, 0);
        device->BeginScene();
        if (withOverlay) {
            const double start = nowMicroseconds();
            Zo::KV9RudiVeruv::drawOverlayFrame(device);
            if (samples) samples->push_back(nowMicroseconds() - start);
        }
        const double start = nowMicroseconds();
        device->EndScene();
        if (samples && !withOverlay) samples->push_back(nowMicroseconds() - start);
        device->Present(nullptr, nullptr, nullptr, nullptr);
    };
    for (int i = 0; i < 5; ++i) frame(true, nullptr);  // start, fonts, first layouts
    for (int i = 0; i < frames; ++i) {
        frame(true, &overlay);
        frame(false, &plain);
    }
    // Without the game's edges: before camera control is on.
    const std::vector<double> steps = headlessFrameSteps(frames);
    std::vector<double> allWindows;
    std::vector<double> allWindowsPlain;
    openAllWindows();
    for (int i = 0; i < 5; ++i) frame(true, nullptr);  // the new windows' first layouts
    for (int i = 0; i < frames; ++i) {
        frame(true, &allWindows);
        frame(false, &allWindowsPlain);
    }
    std::printf("emulated_frames: %d of each\n", frames);
    std::printf("overlay_emulated_frame_us_median: %.1f\n", percentile(overlay, 0.5));
    std::printf("overlay_emulated_frame_us_p99: %.1f\n", percentile(overlay, 0.99));
    std::printf("endscene_emulated_plain_us_median: %.1f\n", percentile(plain, 0.5));
    std::printf("overlay_emulated_over_plain_median: %.1f\n",
                percentile(overlay, 0.5) / percentile(plain, 0.5));
    std::printf("overlay_emulated_all_windows_us_median: %.1f\n", percentile(allWindows, 0.5));
    std::printf("overlay_emulated_all_windows_over_plain_median: %.1f\n",
                percentile(allWindows, 0.5) / percentile(allWindowsPlain, 0.5));
    // What of the overlay's frame is its own code rather than the Direct3D 9 back end's.
    std::printf("overlay_emulated_steps_headless_us_median: %.1f\n", percentile(steps, 0.5));
    std::printf("overlay_emulated_steps_headless_us_p99: %.1f\n", percentile(steps, 0.99));
    return 0;
}

}  // namespace HostGame
