#pragma once

// One overlay line: a text label, then a widget on the same line, with the label centred
// vertically on the widget.

#include <functional>

namespace Zo::KV9RudiVeruv {

// Draws `label` and then `widget` in one group and returns what `widget` returned. The label is
// first drawn invisibly to hold its place, and drawn again lowered by half of the widget's
// height less the text line height.
bool drawLabelBesideWidget(const char* label, const std::function<bool()>& widget);

}  // namespace Zo::KV9RudiVeruv
