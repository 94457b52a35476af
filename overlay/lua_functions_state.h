#pragma once

// What the Lua functions window keeps between frames: the unit-colour panel, the unit-team panel
// and whether the game's mouse input is on. Read and written under g_stateMutex.

#include "overlay/overlay_state.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Zo::KV9RudiVeruv {

struct ColorEntry {
    std::string text;  // the colour in lower-case hexadecimal, no leading zeros
    uint32_t packed;   // the toolkit's packed colour of it, opaque
};

struct PlayerColorTable {
    int whichUnits = 1;  // 1 selected by the player or an AI, 2 not selected, 0 all
    int colorValue = 0;  // 0xRRGGBB; 0 gives the units back their former colour
    int whoseUnits = 0;  // 1 the player's, 2 the AI's, 0 all
    std::string colorLabel;
    float customColor[3] = {0.0f, 0.0f, 0.0f};  // R, G, B in [0, 1]
    std::vector<int> colorList;                 // the presets, in display order
    std::unordered_map<int, ColorEntry> colorEntries;
};

struct TeamPlayerList {
    int whichUnits = 1;
    int whoseUnits = 0;
    bool aiControl = false;
    std::string teamId;  // the manual-entry popup pads it with NULs while it edits
    std::vector<std::string> teamNames;
};

using ComboItems = std::vector<std::pair<const char*, int>>;

// The items of the two unit filters, in display order.
extern const ComboItems kWhichUnitsItems;
extern const ComboItems kWhoseUnitsItems;

// The presets and their entries, on a table with its initial values.
void initPlayerColorTable(PlayerColorTable& table);
// The six preset team ids, Player_1/teamPlayer_1 to Player_6/teamPlayer_6.
void initTeamPlayerNames(TeamPlayerList& list);

}  // namespace Zo::KV9RudiVeruv
