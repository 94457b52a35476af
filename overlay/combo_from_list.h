#pragma once

// A combo over a list of (label, value) items that edits an int.

#include <utility>
#include <vector>

namespace Zo::KV9RudiVeruv {

// Previews the first item whose value is *value, or "请选择" when none is; a click on an item
// stores its value. No item is drawn as selected.
void comboFromList(const char* label, int* value,
                   const std::vector<std::pair<const char*, int>>& items);

}  // namespace Zo::KV9RudiVeruv
