#pragma once

// The main tool window: usage notes, hotkeys, time pause, fast-forward, the camera-control
// switch with the render settings, the configuration status and the Output log.

#include "overlay/game_render_edge.h"
#include "overlay/overlay_state.h"

namespace Zo::KV9RudiVeruv {

inline constexpr char kMainWindowTitle[] = "Vellox（时间暂停工具）v5";

// Opens and closes the window, without close button or flags. The caller holds g_stateMutex.
void drawMainWindow(const GameRenderEdge& game);

// The window's contents, inside the open window.
void drawMainWindowContents(const GameRenderEdge& game);

}  // namespace Zo::KV9RudiVeruv
