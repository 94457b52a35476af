#pragma once

// The main window's display, shadow and lighting settings, shown while camera control is on.
// The values live in the game: the panel shows what the game holds in each frame.

#include "overlay/game_render_edge.h"
#include "overlay/overlay_state.h"

namespace Zo::KV9RudiVeruv {

// The two display checkboxes, the shadow map size and distance and the four light colours.
void drawRenderSettings(const GameRenderEdge& game);

// The display checkboxes into the game; once per frame while the overlay is shown, time pause
// is allowed and camera control is on.
void writeDisplaySwitches(const GameRenderEdge& game);

}  // namespace Zo::KV9RudiVeruv
