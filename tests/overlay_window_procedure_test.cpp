#include "hostgame/game/game_device.h"
#include "overlay/camera_profile.h"
#include "overlay/hotkey_letters.h"
#include "overlay/main_window.h"
#include "overlay/overlay_host.h"
#include "overlay/overlay_state.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <array>
#include <mutex>
#include <string>

using namespace Zo::KV9RudiVeruv;

namespace {

int g_gameProcedureCalls = 0;

LRESULT CALLBACK countingProcedure(HWND, UINT, WPARAM, LPARAM) {
    ++g_gameProcedureCalls;
    return 7;
}

// The overlay on a game device of this process, drawn between the game's BeginScene and
// EndScene. It starts once per process and keeps the window, so the device is never destroyed.
class OverlayInput : public ::testing::Test {
protected:
    static HostGame::GameDevice& game() {
        static auto* const device = [] {
            LoadLibraryA("d3d9.dll");  // as the game does at its start
            return new HostGame::GameDevice();
        }();
        return *device;
    }

    static void overlayFrame() {
        IDirect3DDevice9* const device = game().device();
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x204060, 1.0f, 0);
        device->BeginScene();
        drawOverlayFrame(device);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }

    RudiVeruvStateGuard m_rudiVeruvState;
    OverlayStateGuard m_overlayState;
};

TEST_F(OverlayInput, BeforeTheToolkitStartsEveryMessageGoesToTheGame) {
    if (g_overlayTakesInput) GTEST_SKIP() << "the overlay already started in this process";
    const SavedGlobal<WNDPROC> gameProcedure(g_originalWndProc);
    g_originalWndProc = countingProcedure;
    for (const UINT message : {WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_MOUSEMOVE}) {
        EXPECT_EQ(hookedWndProc(game().window().handle(), message, 'P', 0), 7);
    }
    EXPECT_EQ(g_gameProcedureCalls, 4);
}

// Once the process has begun to end, the overlay's state may be gone: every message goes
// straight to the game, a Ctrl hotkey's too.
TEST_F(OverlayInput, OnceTheProcessEndsEveryMessageGoesToTheGame) {
    for (int i = 0; i < 3; ++i) overlayFrame();  // the overlay takes input from here on
    {
        std::lock_guard lock(g_stateMutex);
        g_hotkeyDisplay = 'P';
    }
    std::array<BYTE, 256> keys{};
    GetKeyboardState(keys.data());
    keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
    SetKeyboardState(keys.data());
    const int before = g_gameProcedureCalls;
    {
        const SavedGlobal<WNDPROC> gameProcedure(g_originalWndProc);
        g_originalWndProc = countingProcedure;
        const SavedGlobal<std::atomic<bool>> processEnding(g_processEnding);
        g_processEnding = true;
        for (const UINT message : {WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN}) {
            EXPECT_EQ(hookedWndProc(game().window().handle(), message, 'P', 0), 7);
        }
    }
    keys[VK_CONTROL] = keys[VK_LCONTROL] = 0;
    SetKeyboardState(keys.data());
    EXPECT_EQ(g_gameProcedureCalls - before, 3);
    EXPECT_TRUE(g_overlayVisible);
}

TEST_F(OverlayInput, TypingIntoAFocusedTextFieldStaysWithTheOverlayButCtrlDisplayStillActs) {
    HostGame::GameWindow& window = game().window();
    static char text[32] = "";
    bool focus = true;
    {
        std::lock_guard lock(g_stateMutex);
        g_hotkeyDisplay = 'P';
        g_frameCallbacks["text field"] = [&focus] {
            ImGui::Begin("field");
            if (focus) ImGui::SetKeyboardFocusHere();
            focus = false;
            ImGui::InputText("##text", text, sizeof text);
            ImGui::End();
        };
    }
    for (int i = 0; i < 3; ++i) overlayFrame();
    ASSERT_EQ(g_overlayStartResult, 1);  // this program's SystemRoot has no consola.ttf

    window.pressKey('X', false);
    overlayFrame();
    EXPECT_STREQ(text, "x");
    EXPECT_EQ(window.receivedCount(WM_KEYDOWN, 'X'), 0);
    EXPECT_EQ(window.receivedCount(WM_CHAR, 'x'), 0);
    EXPECT_EQ(window.receivedCount(WM_KEYUP, 'X'), 0);

    window.pressKey('P', true);
    EXPECT_FALSE(g_overlayVisible);
    EXPECT_EQ(window.receivedCount(WM_KEYDOWN, 'P'), 0);
    window.pressKey('P', true);
    EXPECT_TRUE(g_overlayVisible);
}

// The window thread types while a frame runs on the render thread, after the frame has read
// the toolkit's characters and before it ends. The toolkit's input belongs to the render
// thread: each character must reach the next frame, not vanish with the ones the frame clears.
TEST_F(OverlayInput, ACharacterTypedWhileAFrameRunsReachesTheNextFrame) {
    for (int i = 0; i < 3; ++i) overlayFrame();
    std::string seen;
    int typed = 0;
    {
        std::lock_guard lock(g_stateMutex);
        g_frameCallbacks["type during the frame"] = [&seen, &typed] {
            for (const ImWchar character : ImGui::GetIO().InputQueueCharacters) {
                seen += static_cast<char>(character);
            }
            if (typed < 3) game().window().send(WM_CHAR, 'a' + typed++, 0);
        };
    }
    for (int i = 0; i < 4; ++i) overlayFrame();
    EXPECT_EQ(seen, "abc");
}

// Ctrl pressed on the window's thread is held for the toolkit, though its handler runs on the
// render thread, whose own keyboard state knows nothing of it.
TEST_F(OverlayInput, CtrlPressedOnTheWindowThreadIsHeldForTheToolkit) {
    for (int i = 0; i < 3; ++i) overlayFrame();
    HostGame::GameWindow& window = game().window();
    const auto pressCtrl = [&window](bool down) {
        window.runOnWindowThread([&window, down] {
            std::array<BYTE, 256> keys{};
            GetKeyboardState(keys.data());
            keys[VK_CONTROL] = keys[VK_LCONTROL] = down ? 0x80 : 0x00;
            SetKeyboardState(keys.data());
            SendMessageW(window.handle(), down ? WM_KEYDOWN : WM_KEYUP, VK_CONTROL, 1);
        });
    };
    bool held = false;
    {
        std::lock_guard lock(g_stateMutex);
        g_frameCallbacks["Ctrl held"] = [&held] { held = ImGui::GetIO().KeyCtrl; };
    }
    pressCtrl(true);
    overlayFrame();
    EXPECT_TRUE(held);
    pressCtrl(false);
    overlayFrame();
    EXPECT_FALSE(held);
}

// The toolkit's handler runs on the render thread, where a capture would hold no window of the
// game's: the window procedure takes it on the window's thread for a press the overlay keeps,
// so the release comes back to the game window wherever the pointer is; the release of the last
// button gives it back. A capture the game took stays the game's.
TEST_F(OverlayInput, APressTheOverlayKeepsHoldsTheMouseUntilTheLastButtonIsReleased) {
    for (int i = 0; i < 3; ++i) overlayFrame();
    HostGame::GameWindow& window = game().window();
    const auto captured = [&window] {
        HWND holder = nullptr;
        window.runOnWindowThread([&holder] { holder = GetCapture(); });
        return holder;
    };
    const auto overlayWantsTheMouse = [](bool wants) { g_toolkitInput.setCapture({false, wants}); };

    overlayWantsTheMouse(true);
    window.send(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(captured(), window.handle()) << "a press the overlay keeps";
    window.send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 0);
    window.send(WM_LBUTTONUP, MK_RBUTTON, 0);
    EXPECT_EQ(captured(), window.handle()) << "the right button is still held";
    window.send(WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(captured(), nullptr) << "the last button released";

    overlayWantsTheMouse(false);
    window.send(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(captured(), nullptr) << "a press that reaches the game";
    window.runOnWindowThread([&window] { SetCapture(window.handle()); });  // the game's own
    overlayWantsTheMouse(true);
    window.send(WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(captured(), window.handle()) << "the game's capture after a release";
    window.runOnWindowThread([] { ReleaseCapture(); });
}

TEST_F(OverlayInput, TheAnimationHotkeyTogglesAndStillReachesTheGame) {
    HostGame::GameWindow& window = game().window();
    for (int i = 0; i < 3; ++i) overlayFrame();  // nothing of the toolkit wants the keyboard
    {
        std::lock_guard lock(g_stateMutex);
        g_hotkeyAnimation = 'A';
        g_rudiVeruvAllowed = g_cameraControlEnabled = true;
    }
    window.pressKey('A', true);
    EXPECT_TRUE(g_currentProfile.animationPlaying);
    window.pressKey('A', true);
    EXPECT_FALSE(g_currentProfile.animationPlaying);
    EXPECT_EQ(window.receivedCount(WM_KEYDOWN, 'A'), 2);
    // Without keyframes the animation gives the camera back as it was, never written, and
    // cannot play: the frame stops it.
    window.pressKey('A', true);
    EXPECT_TRUE(g_currentProfile.animationPlaying);
    for (int frame = 1; frame <= 3; ++frame) {
        game().camera().move(frame);
        overlayFrame();
        EXPECT_TRUE(game().camera().holdsOwnMove());
    }
    EXPECT_FALSE(g_currentProfile.animationPlaying);
    EXPECT_EQ(window.receivedCount(WM_KEYDOWN, 'A'), 3);
}

}  // namespace
