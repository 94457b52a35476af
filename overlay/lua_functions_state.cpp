#include "overlay/lua_functions_state.h"

#include <boost/format.hpp>
#include <imgui.h>

namespace Zo::KV9RudiVeruv {

const ComboItems kWhichUnitsItems = {
    {"由玩家或 AI 选中的单位", 1}, {"未选中的单位", 2}, {"所有的单位", 0}};
const ComboItems kWhoseUnitsItems = {{"玩家的单位", 1}, {"AI的单位", 2}, {"所有的单位", 0}};

PlayerColorTable g_playerColorTable;
TeamPlayerList g_teamPlayerList;
bool g_gameInputEnabled = true;

namespace {

// 0x000001 is black, yet not 0, which would mean the units' former colour.
const std::vector<int> kPresetColors = {0x000001, 0xF0D719, 0xE61414, 0x324BC8,
                                        0x14693C, 0xE17314, 0x66CFF8, 0x7D19C8,
                                        0xFF00DC, 0x7D0101, 0xA6D00D, 0x104C29};

ColorEntry colorEntry(int color) {
    const auto rgb = static_cast<unsigned int>(color);
    return {(boost::format("%1$0x") % rgb).str(),
            IM_COL32((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 0xFF)};
}

[[maybe_unused]] const bool kTablesBuilt = [] {
    initPlayerColorTable(g_playerColorTable);
    initTeamPlayerNames(g_teamPlayerList);
    return true;
}();

}  // namespace

void initPlayerColorTable(PlayerColorTable& table) {
    table.colorList = kPresetColors;
    for (const int color : table.colorList) table.colorEntries.emplace(color, colorEntry(color));
}

void initTeamPlayerNames(TeamPlayerList& list) {
    list.teamNames.reserve(6);
    for (int player = 1; player <= 6; ++player) {
        list.teamNames.push_back((boost::format("Player_%1%/teamPlayer_%1%") % player).str());
    }
}

}  // namespace Zo::KV9RudiVeruv
