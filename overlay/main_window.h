#pragma once

// The main tool window, the first window of every shown overlay frame.

namespace Zo::KV9RudiVeruv {

inline constexpr char kMainWindowTitle[] = "Vellox（时间暂停工具）v5";

// Its contents only while the window is open; the caller holds g_stateMutex.
void drawMainWindow();

}  // namespace Zo::KV9RudiVeruv
