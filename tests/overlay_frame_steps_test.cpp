#include "overlay/camera_control_window.h"
#include "overlay/camera_profile.h"
#include "overlay/camera_write_back.h"
#include "overlay/main_window.h"
#include "overlay/message_routing.h"
#include "overlay/overlay_frame_steps.h"
#include "overlay/overlay_state.h"
#include "overlay/timed_events_window.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/fake_game_render.h"
#include "tests/folder_state_guard.h"
#include "tests/headless_context.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <limits>
#include <mutex>
#include <string>

using namespace Zo::KV9RudiVeruv;

namespace {

TEST(MessageRouting, KeyboardAndMouseMessagesStayWithTheToolkitOnlyWhenItWantsThem) {
    struct Case {
        uint32_t message;
        MessageKind kind;
    };
    const Case cases[] = {
        {0x100, MessageKind::Keyboard},  // WM_KEYDOWN
        {0x101, MessageKind::Keyboard},  // WM_KEYUP
        {0x102, MessageKind::Keyboard},  // WM_CHAR
        {0x103, MessageKind::Other},     // WM_DEADCHAR
        {0x104, MessageKind::Other},     // WM_SYSKEYDOWN
        {0x105, MessageKind::Keyboard},  // WM_SYSKEYUP
        {0x200, MessageKind::Other},     // WM_MOUSEMOVE
        {0x201, MessageKind::Mouse},     // WM_LBUTTONDOWN
        {0x207, MessageKind::Mouse},     // WM_MBUTTONDOWN
        {0x20A, MessageKind::Mouse},     // WM_MOUSEWHEEL
        {0x20E, MessageKind::Mouse},     // WM_MOUSEHWHEEL
        {0x20F, MessageKind::Other},
        {0x0010, MessageKind::Other},    // WM_CLOSE
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(messageKind(c.message), c.kind);
        for (const bool keyboard : {false, true}) {
            for (const bool mouse : {false, true}) {
                const bool kept = c.kind == MessageKind::Keyboard ? keyboard
                                  : c.kind == MessageKind::Mouse  ? mouse
                                                                  : false;
                EXPECT_EQ(toolkitKeepsMessage(c.message, keyboard, mouse), kept);
            }
        }
    }
}

TEST(CameraWriteBack, AnyChannelThatChangedOrIsNaNWritesAllSix) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const CameraCoordinate read{1.0f, 2.0f, 3.0f, 0.5f, 40.0f, -0.25f};
    struct Case {
        const char* what;
        CameraCoordinate read;
        CameraCoordinate returned;
        bool write;
    };
    const Case cases[] = {
        {"unchanged", read, read, false},
        {"x", read, {1.5f, 2.0f, 3.0f, 0.5f, 40.0f, -0.25f}, true},
        {"y", read, {1.0f, 2.5f, 3.0f, 0.5f, 40.0f, -0.25f}, true},
        {"z", read, {1.0f, 2.0f, 3.5f, 0.5f, 40.0f, -0.25f}, true},
        {"r1", read, {1.0f, 2.0f, 3.0f, 0.75f, 40.0f, -0.25f}, true},
        {"r2", read, {1.0f, 2.0f, 3.0f, 0.5f, 41.0f, -0.25f}, true},
        {"r3", read, {1.0f, 2.0f, 3.0f, 0.5f, 40.0f, 0.0f}, true},
        {"NaN returned", read, {1.0f, 2.0f, 3.0f, 0.5f, nan, -0.25f}, true},
        {"NaN read and returned", {nan, 2.0f, 3.0f, 0.5f, 40.0f, -0.25f},
         {nan, 2.0f, 3.0f, 0.5f, 40.0f, -0.25f}, true},
        {"-0 equals +0", {-0.0f, 2.0f, 3.0f, 0.5f, 40.0f, -0.25f},
         {0.0f, 2.0f, 3.0f, 0.5f, 40.0f, -0.25f}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(cameraWriteNeeded(c.read, c.returned), c.write);
    }
}

// A headless toolkit frame around the frame steps, with a camera of its own that counts what
// the steps do with it.
class FrameSteps : public ::testing::Test {
protected:
    void SetUp() override {
        m_context = createHeadlessContext(ImVec2(1280.0f, 720.0f));
        std::lock_guard lock(g_stateMutex);
        g_cameraProfiles.assign(1, CameraProfile{});  // no configuration file is read
        g_frameCallbacks["count"] = [this] { ++m_callbackCalls; };
    }
    void TearDown() override { ImGui::DestroyContext(m_context); }

    // One frame; the names of the windows it drew.
    std::vector<std::string> frame() {
        ImGui::NewFrame();
        {
            std::lock_guard lock(g_stateMutex);
            runOverlayFrameSteps({m_camera, m_render.edge(), {}});
        }
        ImGui::EndFrame();
        std::vector<std::string> windows;
        for (const ImGuiWindow* window : GImGui->Windows) {
            if (window->Active && window->ParentWindow == nullptr && !window->IsFallbackWindow) {
                windows.push_back(window->Name);
            }
        }
        return windows;
    }

    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
    ImGuiContext* m_context = nullptr;
    FakeGameRender m_render;
    int m_callbackCalls = 0;
    int m_reads = 0;
    int m_writes = 0;
    GameCameraAccess m_camera{[this] {
                                  ++m_reads;
                                  return std::optional(CameraCoordinate{1, 2, 3, 4, 5, 6});
                              },
                              [this](const CameraCoordinate&) { ++m_writes; }};
};

TEST_F(FrameSteps, WhatEachFrameRunsShownAndHidden) {
    struct Case {
        const char* what;
        bool visible;
        bool allowed;
        bool cameraControl;
        std::vector<std::string> windows;
        int callbackCalls;
        bool pauseKept;
        int cameraReads;
    };
    const std::vector<std::string> main = {kMainWindowTitle};
    const std::vector<std::string> all = {kMainWindowTitle, kCameraControlWindowTitle,
                                          kTimedEventsWindowTitle};
    const Case cases[] = {
        {"shown, pause not allowed", true, false, false, main, 1, false, 0},
        {"shown, allowed", true, true, false, main, 1, true, 0},
        // The camera control window shows the camera's values, then the animation reads them.
        {"shown, allowed, camera control", true, true, true, all, 1, true, 2},
        {"shown, camera control only", true, false, true, main, 1, false, 0},
        {"hidden, pause not allowed", false, false, true, {}, 0, false, 0},
        {"hidden, allowed", false, true, false, {}, 0, true, 0},
        {"hidden, allowed, camera control", false, true, true, {}, 0, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_overlayVisible = c.visible;
        g_rudiVeruvAllowed = c.allowed;
        g_cameraControlEnabled = c.cameraControl;
        g_rudiVeruvd = true;
        m_callbackCalls = m_reads = m_writes = 0;
        EXPECT_EQ(frame(), c.windows);
        EXPECT_EQ(m_callbackCalls, c.callbackCalls);
        EXPECT_EQ(g_rudiVeruvd.load(), c.pauseKept);
        EXPECT_EQ(m_reads, c.cameraReads);
        // With no animation the camera comes back as it was and is never written.
        EXPECT_EQ(m_writes, 0);
    }
}

TEST_F(FrameSteps, TheConfigurationIsLoadedWheneverTheProfileListIsEmpty) {
    g_cameraProfiles.clear();
    frame();
    std::lock_guard lock(g_stateMutex);
    EXPECT_EQ(g_cameraProfiles.size(), 1u);  // this program has no configuration file
}

TEST_F(FrameSteps, CallbacksRunInKeyOrder) {
    std::string order;
    g_frameCallbacks.clear();
    g_frameCallbacks["b"] = [&] { order += "b"; };
    g_frameCallbacks["a"] = [&] { order += "a"; };
    g_frameCallbacks["c"] = [&] { order += "c"; };
    frame();
    EXPECT_EQ(order, "abc");
}

}  // namespace
