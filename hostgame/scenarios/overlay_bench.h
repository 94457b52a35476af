#pragma once

namespace HostGame {

// The overlay's frame cost beside the game's plain EndScene, measured in turns on one device:
// drawOverlayFrame with the main tool window and a full Output log, and EndScene alone. Prints
// `name: value` lines.
int runOverlayBench(int frames);

}  // namespace HostGame
