#include "overlay/combo_from_list.h"

#include <imgui.h>

#include <algorithm>

namespace Zo::KV9RudiVeruv {

void comboFromList(const char* label, int* value,
                   const std::vector<std::pair<const char*, int>>& items) {
    const auto current = std::find_if(items.begin(), items.end(),
                                      [value](const auto& item) { return item.second == *value; });
    const char* preview = current != items.end() ? current->first : "请选择";
    if (!ImGui::BeginCombo(label, preview)) return;
    for (const auto& [itemLabel, itemValue] : items) {
        if (ImGui::Selectable(itemLabel)) *value = itemValue;
    }
    ImGui::EndCombo();
}

}  // namespace Zo::KV9RudiVeruv
