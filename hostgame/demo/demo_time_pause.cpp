#include "hostgame/demo/demo_time_pause.h"

#include "hostgame/game/game_render_settings.h"
#include "hostgame/game/game_replay.h"
#include "hostgame/game/game_replay_header.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/scenarios/tool_window_layout.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace HostGame {

namespace {

void showLoop(const char* when, GameLogicLoop& loop) {
    loop.waitForTicks(10);
    const GameLogicStatus status = loop.status();
    std::printf("game: %-44s frame %d, %llu of %llu ticks held\n", when, status.frame,
                static_cast<unsigned long long>(status.heldTicks),
                static_cast<unsigned long long>(status.ticks));
}

constexpr D3DCOLOR kDemoGameColor = D3DCOLOR_XRGB(0, 64, 128);

void drawFrames(GameDevice& device, int count) {
    int drawn = 0;
    for (int i = 0; i < count; ++i) drawn += device.drawFrame(kDemoGameColor).succeeded();
    std::printf("game: drew %d of %d frames through the detoured EndScene\n", drawn, count);
}

// The frame as the player sees it, kept as a PNG file of the folder.
void keepFrame(GameDevice& device, const std::filesystem::path& folder, const char* name,
               const char* what) {
    drawFrames(device, 2);  // the overlay's windows settle
    const FrameResults frame = device.drawFrame(kDemoGameColor, true);
    const auto file = folder / name;
    const bool written = frame.image && writePng(file, *frame.image);
    std::printf("game: frame %s: %s %s\n", what, file.string().c_str(),
                written ? "" : "(not written)");
}

// The player switches camera control on, takes two keyframes from the game's moving camera,
// gives the segment between them Bezier timing and plays it; then a game script's use of object
// events brings the Lua functions window.
void showToolWindows(GameDevice& device, lua_State* L, const std::filesystem::path& frames) {
    placeRenderSettings();
    GameMouse mouse(device);
    mouse.click(kCameraControlSwitch);
    mouse.click(kCopyCurrentCamera);
    mouse.click(kAddKeyframe);
    drawFrames(device, 10);
    mouse.click(kCopyCurrentCameraBelowList);
    mouse.click(kAddKeyframeBelowList);
    mouse.click(kFirstKeyframeBezier);
    keepFrame(device, frames, "05-camera-control.png", "with camera control and two keyframes");
    mouse.click(kStartAnimation);
    keepFrame(device, frames, "06-bezier-inspector.png", "during the Bezier segment");
    assignGlobalNumber(L, "ObjIDList", 7);
    lua_getglobal(L, "ObjIDList");
    lua_settop(L, 0);
    keepFrame(device, frames, "07-lua-functions.png", "with the Lua functions window");
}

}  // namespace

void runDemoTimePauseSession(GameLogicLoop& loop, GameDevice& device,
                             const std::filesystem::path& outputLogFile,
                             const std::filesystem::path& frames) {
    std::filesystem::create_directories(frames);
    writeToolWindowLayout(std::filesystem::current_path());
    const auto replayPath = outputLogFile.parent_path() / "demo.KV9Replay";
    std::printf("game: recording %s (game mode 1)\n", replayPath.string().c_str());
    ReplayFile replay = ReplayFile::create(replayPath);
    replay.write(replayHeaderBytes(replayHeaderOfGameMode(1)));
    replay.position();  // the plug-in reads the header at the game's first ftell
    auto state = newGameState();
    assignGlobalFunction(state.get(), "GetFrame", host_base_noop);
    std::printf("game: a new Lua state assigned \"GetFrame\"; its watch file is open: %s\n",
                state->openFiles.empty() ? "no" : "yes");

    drawFrames(device, 3);
    showLoop("logic runs:", loop);
    keepFrame(device, frames, "01-overlay.png", "with the overlay");
    loop.call(GameDebugCall::AppendMessageAndPause, "Mission objective reached, pausing");
    showLoop("after AppendMessageAndPause:", loop);
    showLoop("still paused:", loop);
    loop.call(GameDebugCall::AppendAIMessage, "Player 2 builds a watchtower");
    keepFrame(device, frames, "02-paused.png", "of the paused game");
    // The player resumes with the pause hotkey (Ctrl+O) and hides the overlay (Ctrl+P).
    device.window().pressKey('O', true);
    showLoop("after Ctrl+O:", loop);
    keepFrame(device, frames, "03-resumed.png", "after Ctrl+O");
    device.window().pressKey('P', true);
    keepFrame(device, frames, "04-hidden.png", "after Ctrl+P");
    device.window().pressKey('P', true);
    showToolWindows(device, state.get(), frames);
    loop.call(GameDebugCall::AppendMessageAndPause, "Second objective reached, pausing");
    loop.call(GameDebugCall::ForceAppContinue);
    showLoop("after ForceAppContinue:", loop);
    drawFrames(device, 3);

    replay.write(std::string(64, '\x2A'));
    replay.close();
    state.reset();

    std::printf("Output log (%s):\n", outputLogFile.string().c_str());
    std::ifstream log(outputLogFile);
    for (std::string line; std::getline(log, line);) std::printf("  %s\n", line.c_str());
}

}  // namespace HostGame
