#pragma once

// The main tool window: usage notes, hotkeys, time pause, fast-forward, the camera-control
// switch with the render settings, the configuration status and the Output log.

#include "overlay/game_render_edge.h"

namespace Zo::KV9RudiVeruv {

// "Vellox（时间暂停工具）v5": the frame opens the window with it, without close button or flags.
extern const char kMainWindowTitle[];

// Under g_stateMutex; both start off and are not saved.
extern bool g_cameraControlEnabled;  // "启用摄像机操作"
extern bool g_cameraCodePatched;     // the camera code has been patched, once for the process

// The window's contents, between the frame's Begin (when it returned true) and End. The caller
// holds g_stateMutex.
void drawMainWindowContents(const GameRenderEdge& game);

}  // namespace Zo::KV9RudiVeruv
