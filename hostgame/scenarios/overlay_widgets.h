#pragma once

// The overlay's windows and widgets found in a frame by their colours: the toolkit's dark preset
// drawn over the game's colour, and no widget under the mouse.

#include "hostgame/game/frame_image.h"

#include <cstdint>
#include <vector>

namespace HostGame {

// Where the toolkit puts a window that has no place of its own yet: the main tool window in a
// fresh working directory.
inline constexpr uint32_t kNewWindowLeft = 60;
inline constexpr uint32_t kNewWindowTop = 60;

// A window's background, and the frame of an input, slider or checkbox on it.
inline constexpr uint32_t kWindowBackground = 0x101214;
inline constexpr uint32_t kWidgetFrame = 0x1D304B;

// [left, right) x [top, bottom).
struct PixelRect {
    uint32_t left = 0, top = 0, right = 0, bottom = 0;
    uint32_t height() const { return bottom - top; }
};

// The smallest rectangle that holds every pixel not of the game's colour: the overlay's
// windows. Empty at (0, 0) when there is none.
PixelRect overlayArea(const FrameImage& image, uint32_t gameColor);
// The window whose top left corner is at the point: up to where the game's colour begins to
// its right and below it.
PixelRect windowAt(const FrameImage& image, uint32_t left, uint32_t top, uint32_t gameColor);
// The unticked checkboxes in the area, top to bottom: squares of the widget frame's colour.
std::vector<PixelRect> checkboxesIn(const FrameImage& image, const PixelRect& area);
// The rows of the text line that ends nearest above the row, across the area: those holding
// pixels other than the window's background. Empty when there is none.
PixelRect textLineAbove(const FrameImage& image, const PixelRect& area, uint32_t row);

}  // namespace HostGame
