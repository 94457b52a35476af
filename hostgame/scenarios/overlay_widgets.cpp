#include "hostgame/scenarios/overlay_widgets.h"

#include <algorithm>

namespace HostGame {

namespace {

bool onlyBackground(const FrameImage& image, const PixelRect& area, uint32_t row) {
    for (uint32_t x = area.left; x < area.right; ++x) {
        if (image.at(x, row) != kWindowBackground) return false;
    }
    return true;
}

bool filled(const FrameImage& image, uint32_t left, uint32_t top, uint32_t size) {
    for (uint32_t y = top; y < top + size; ++y) {
        for (uint32_t x = left; x < left + size; ++x) {
            if (image.at(x, y) != kWidgetFrame) return false;
        }
    }
    return true;
}

}  // namespace

PixelRect overlayArea(const FrameImage& image, uint32_t gameColor) {
    PixelRect area{image.width, image.height, 0, 0};
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            if (image.at(x, y) == gameColor) continue;
            area = {std::min(area.left, x), std::min(area.top, y), std::max(area.right, x + 1),
                    std::max(area.bottom, y + 1)};
        }
    }
    return area.right == 0 ? PixelRect{} : area;
}

PixelRect windowAt(const FrameImage& image, uint32_t left, uint32_t top, uint32_t gameColor) {
    PixelRect window{left, top, left, top};
    while (window.right < image.width && image.at(window.right, top + 1) != gameColor) {
        ++window.right;
    }
    while (window.bottom < image.height && image.at(left + 1, window.bottom) != gameColor) {
        ++window.bottom;
    }
    return window;
}

std::vector<PixelRect> checkboxesIn(const FrameImage& image, const PixelRect& area) {
    std::vector<PixelRect> boxes;
    for (uint32_t y = area.top + 1; y < area.bottom; ++y) {
        for (uint32_t x = area.left + 1; x < area.right; ++x) {
            // The top left corner of a frame.
            if (image.at(x, y) != kWidgetFrame || image.at(x - 1, y) == kWidgetFrame ||
                image.at(x, y - 1) == kWidgetFrame) {
                continue;
            }
            uint32_t width = 0;
            while (x + width < area.right && image.at(x + width, y) == kWidgetFrame) ++width;
            uint32_t height = 0;
            while (y + height < area.bottom && image.at(x, y + height) == kWidgetFrame) ++height;
            if (width == height && width >= 8 && filled(image, x, y, width)) {
                boxes.push_back({x, y, x + width, y + height});
            }
        }
    }
    return boxes;
}

PixelRect textLineAbove(const FrameImage& image, const PixelRect& area, uint32_t row) {
    uint32_t y = row;
    while (y > area.top && onlyBackground(image, area, y - 1)) --y;
    const uint32_t bottom = y;
    while (y > area.top && !onlyBackground(image, area, y - 1)) --y;
    return {area.left, y, area.right, bottom};
}

}  // namespace HostGame
