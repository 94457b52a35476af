#pragma once

// The main tool window: usage notes, hotkeys, time pause, fast-forward, the camera-control
// switch with the render settings, the configuration status and the Output log.

#include "overlay/game_render_edge.h"
#include "overlay/overlay_state.h"

namespace Zo::KV9RudiVeruv {

// "Vellox（时间暂停工具）v5": the frame opens the window with it, without close button or flags.
extern const char kMainWindowTitle[];

// The window's contents, between the frame's Begin (when it returned true) and End. The caller
// holds g_stateMutex.
void drawMainWindowContents(const GameRenderEdge& game);

}  // namespace Zo::KV9RudiVeruv
