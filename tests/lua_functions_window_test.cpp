#include "overlay/lua_functions_window.h"

#include "overlay/combo_from_list.h"
#include "overlay/lua_command_edge.h"
#include "overlay/lua_command_scripts.h"
#include "overlay/lua_commands.h"
#include "tests/folder_state_guard.h"
#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

std::string unscrambled(std::string text) {
    for (char& byte : text) byte = static_cast<char>(static_cast<uint8_t>(byte) - 7);
    return text;
}

// Every non-ASCII text the window draws, so that the tests find them.
HeadlessToolkit makeToolkit() {
    return HeadlessToolkit(
        ImVec2(520.0f, 560.0f),
        {kLuaFunctionsWindowTitle, "以下功能仅对拥有 Lua 事件列表的单位 / 建筑有效", "切换单位的颜色", "颜色",
         "恢复原来的颜色", "自定义颜色", "选择哪些单位", "选择谁的单位", "由玩家或 AI 选中的单位",
         "未选中的单位", "所有的单位", "玩家的单位", "AI的单位", "请选择", "切换单位的队伍",
         "注意，改变队伍将会导致录像不同步", "队伍 ID", "（手动输入）", "启用 AI 操控",
         "禁用游戏中的鼠标输入", "这将能避免鼠标移至单位上方时产生边框、影响拍摄效果",
         "在游戏中禁用输入", "在游戏中启用输入"});
}

// The middle of a row of the open popup: its items stand one text line apart.
ImVec2 popupRow(int row) {
    const ImGuiContext& g = *GImGui;
    EXPECT_FALSE(g.OpenPopupStack.empty());
    if (g.OpenPopupStack.empty()) return ImVec2();
    const ImGuiWindow* popup = g.OpenPopupStack.back().Window;
    const float line = g.FontSize;
    return ImVec2(popup->DC.CursorStartPos.x + 10.0f,
                  popup->DC.CursorStartPos.y + row * (line + g.Style.ItemSpacing.y) + line / 2);
}

// Whether the open popup drew anything in `color`.
bool popupDrewColor(ImU32 color) {
    const ImGuiContext& g = *GImGui;
    if (g.OpenPopupStack.empty()) return false;
    const ImVector<ImDrawVert>& vertices = g.OpenPopupStack.back().Window->DrawList->VtxBuffer;
    return std::any_of(vertices.begin(), vertices.end(),
                       [color](const ImDrawVert& vertex) { return vertex.col == color; });
}

// Where the open popup's first widget starts.
ImVec2 popupContentStart() {
    const ImGuiContext& g = *GImGui;
    EXPECT_FALSE(g.OpenPopupStack.empty());
    if (g.OpenPopupStack.empty()) return ImVec2();
    return g.OpenPopupStack.back().Window->DC.CursorStartPos;
}

// The window code sends through the edge it is handed: here into `m_sent`, unscrambled. The
// shared tables and the input flag start as built and are put back afterwards.
class LuaFunctionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_lua.runChunk = [this](std::string chunk) {
            m_sent.push_back(unscrambled(std::move(chunk)));
        };
        initPlayerColorTable(m_colors);
        initTeamPlayerNames(m_teams);
    }

    // The argument lists sent, each after the stored text it must follow.
    std::vector<std::string> argumentsSent(const char* storedScript) const {
        const std::string text = unscrambled(storedScript);
        std::vector<std::string> lists;
        for (const std::string& chunk : m_sent) {
            EXPECT_TRUE(chunk.starts_with(text)) << chunk;
            lists.push_back(chunk.starts_with(text) ? chunk.substr(text.size()) : chunk);
        }
        return lists;
    }

    // A layout frame, then a click into the combo's frame, left of the label's `occurrence`-th
    // drawing.
    void openCombo(const char* label, const std::function<void()>& draw, int occurrence) {
        m_toolkit.frame(draw);
        const ImRect rect = m_toolkit.textRect(label, occurrence);
        m_toolkit.clickAt(ImVec2(rect.Min.x - 20.0f, rect.GetCenter().y), draw);
        m_toolkit.frame(draw);  // the popup finds its place
    }

    void chooseFromCombo(const char* label, int row, const std::function<void()>& draw,
                         int occurrence = 0) {
        openCombo(label, draw, occurrence);
        m_toolkit.clickAt(popupRow(row), draw);
    }

    // "颜色" is drawn first in the panel's heading, then in a preview that holds it, then as the
    // combo's label.
    void chooseColor(const PlayerColorTable& table, int row, const std::function<void()>& draw) {
        const bool previewHoldsIt = table.colorLabel.find("颜色") != std::string::npos;
        chooseFromCombo("颜色", row, draw, previewHoldsIt ? 2 : 1);
    }

    // Frames in which the mouse is held down along `path`, then released at its end.
    void drag(const std::vector<ImVec2>& path, const std::function<void()>& draw) {
        ImGuiIO& io = ImGui::GetIO();
        for (const ImVec2& position : path) {
            io.MousePos = position;
            io.MouseDown[0] = true;
            m_toolkit.frame(draw);
        }
        io.MouseDown[0] = false;
        m_toolkit.frame(draw);
    }

    // A click where no window is: an open popup closes.
    void clickOutside(const std::function<void()>& draw) {
        m_toolkit.clickAt(ImVec2(790.0f, 590.0f), draw);
    }

    OverlayStateGuard m_overlayState;
    HeadlessToolkit m_toolkit = makeToolkit();
    PlayerColorTable m_colors;
    TeamPlayerList m_teams;
    std::vector<std::string> m_sent;
    LuaCommandEdge m_lua;
};

TEST_F(LuaFunctionsWindowTest, TablesStartWithThePresetsAndTheDefaults) {
    EXPECT_EQ(g_playerColorTable.colorList, m_colors.colorList);
    ASSERT_EQ(m_colors.colorList.size(), 12u);
    EXPECT_EQ(m_colors.colorList.front(), 0x000001);
    EXPECT_EQ(m_colors.colorList.back(), 0x104C29);
    ASSERT_EQ(m_colors.colorEntries.size(), 12u);
    EXPECT_EQ(m_colors.colorEntries.at(0x000001).text, "1");
    EXPECT_EQ(m_colors.colorEntries.at(0x000001).packed, 0xFF010000u);  // ABGR
    EXPECT_EQ(m_colors.colorEntries.at(0xF0D719).text, "f0d719");
    EXPECT_EQ(m_colors.colorEntries.at(0xF0D719).packed, 0xFF19D7F0u);
    EXPECT_EQ(m_colors.colorEntries.at(0x104C29).text, "104c29");
    EXPECT_EQ(m_colors.whichUnits, 1);
    EXPECT_EQ(m_colors.colorValue, 0);
    EXPECT_EQ(m_colors.whoseUnits, 0);

    EXPECT_EQ(g_teamPlayerList.teamNames, m_teams.teamNames);
    ASSERT_EQ(m_teams.teamNames.size(), 6u);
    EXPECT_EQ(m_teams.teamNames.front(), "Player_1/teamPlayer_1");
    EXPECT_EQ(m_teams.teamNames.back(), "Player_6/teamPlayer_6");
    EXPECT_TRUE(m_teams.teamId.empty());
    EXPECT_FALSE(m_teams.aiControl);
    EXPECT_TRUE(g_gameInputEnabled);
}

TEST_F(LuaFunctionsWindowTest, ComboPreviewsTheItemOfTheValueOrAskForAChoice) {
    struct Case {
        int value;
        const char* preview;
    };
    const Case cases[] = {{0, "所有的单位"}, {1, "玩家的单位"}, {2, "AI的单位"}, {7, "请选择"}};
    for (const Case& c : cases) {
        int value = c.value;
        const std::string text = m_toolkit.frameText(
            [&] { comboFromList("选择谁的单位", &value, kWhoseUnitsItems); });
        EXPECT_NE(text.find(c.preview), std::string::npos) << c.value << ": " << text;
    }
}

TEST_F(LuaFunctionsWindowTest, ComboClickStoresTheItemsValue) {
    int value = 7;
    const auto draw = [&] { comboFromList("选择哪些单位", &value, kWhichUnitsItems); };
    const int expected[] = {1, 2, 0};
    for (int row = 0; row < 3; ++row) {
        chooseFromCombo("选择哪些单位", row, draw);
        EXPECT_EQ(value, expected[row]) << row;
    }
    openCombo("选择哪些单位", draw, 0);
    EXPECT_FALSE(popupDrewColor(ImGui::GetColorU32(ImGuiCol_Header)));  // none drawn as selected
}

// Each preset row is drawn as selected, in the preset's own colour.
TEST_F(LuaFunctionsWindowTest, ColorComboShowsEachPresetInItsOwnColor) {
    const auto draw = [&] { drawUnitColorPanel(m_lua, m_colors); };
    openCombo("颜色", draw, 1);
    for (std::size_t preset = 0; preset < 5; ++preset) {  // the rows the popup shows unscrolled
        const int color = m_colors.colorList[preset];
        EXPECT_TRUE(popupDrewColor(m_colors.colorEntries.at(color).packed)) << std::hex << color;
    }
    EXPECT_FALSE(popupDrewColor(m_colors.colorEntries.at(0x104C29).packed));  // scrolled away
}

TEST_F(LuaFunctionsWindowTest, ColorCommandSendsTheChosenColorAndFilters) {
    // Rows of the colour combo: 0 the former colour, 1 custom, then the presets in order.
    struct Case {
        const char* name;
        std::vector<int> colorRows;
        int whichRow;  // -1: left as it is
        int whoseRow;
        std::string label;
        std::string arguments;
    };
    const Case cases[] = {
        {"defaults", {}, -1, -1, "", "(0, 1, 0)"},
        {"preset 0xF0D719", {3}, -1, -1, "f0d719", "(15783705, 1, 0)"},
        {"preset black", {2}, -1, -1, "1", "(1, 1, 0)"},
        {"former colour after a preset", {3, 0}, -1, -1, "恢复原来的颜色", "(0, 1, 0)"},
        {"sixth preset, unselected AI units", {7}, 1, 1, "e17314", "(14775060, 2, 2)"},
        {"all units of everyone", {}, 2, 2, "", "(0, 0, 0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlayerColorTable table;
        initPlayerColorTable(table);
        m_sent.clear();
        const auto draw = [&] { drawUnitColorPanel(m_lua, table); };
        for (const int row : c.colorRows) chooseColor(table, row, draw);
        if (c.whichRow >= 0) chooseFromCombo("选择哪些单位", c.whichRow, draw);
        if (c.whoseRow >= 0) chooseFromCombo("选择谁的单位", c.whoseRow, draw);
        EXPECT_EQ(table.colorLabel, c.label);
        m_toolkit.clickText("切换单位的颜色", draw, 1);  // the button, below the heading
        EXPECT_EQ(argumentsSent(kUnitColorScript), std::vector<std::string>{c.arguments});
    }
}

TEST_F(LuaFunctionsWindowTest, CustomColorPopupSetsTheValueAndPureBlackMeansTheFormerColor) {
    const auto draw = [&] { drawUnitColorPanel(m_lua, m_colors); };
    chooseColor(m_colors, 3, draw);
    ASSERT_EQ(m_colors.colorValue, 0xF0D719);

    chooseColor(m_colors, 1, draw);
    EXPECT_EQ(m_colors.colorLabel, "自定义颜色");
    EXPECT_EQ(m_colors.colorValue, 0xF0D719);  // the popup shows from the next frame on
    m_toolkit.frame(draw);
    m_toolkit.frame(draw);  // the popup finds its place
    const ImVec2 square = popupContentStart();  // the picker's saturation-value square

    drag({square}, draw);  // its top-left corner: white
    EXPECT_EQ(m_colors.colorValue, 0xFFFFFF);
    drag({square, ImVec2(square.x, square.y + 1000.0f)}, draw);  // down to no value: black
    EXPECT_EQ(m_colors.colorValue, 0);
    EXPECT_EQ(m_colors.colorLabel, "自定义颜色");

    clickOutside(draw);
    m_toolkit.clickText("切换单位的颜色", draw, 1);
    EXPECT_EQ(argumentsSent(kUnitColorScript), std::vector<std::string>{"(0, 1, 0)"});
}

TEST(CustomColorValue, ClampsEachChannelAndTruncatesTowardsZero) {
    struct Case {
        float rgb[3];
        int value;
    };
    const Case cases[] = {
        {{0.0f, 0.0f, 0.0f}, 0},
        {{1.0f, 1.0f, 1.0f}, 0xFFFFFF},
        {{1.0f, 0.0f, 0.0f}, 0xFF0000},
        {{0.0f, 0.0f, 1.0f}, 0x0000FF},
        {{0.5f, 0.999f, 0.003f}, 0x7FFE00},  // 127.5, 254.7, 0.77
        {{1.5f, -0.2f, 2.0f}, 0xFF00FF},
        {{std::numeric_limits<float>::quiet_NaN(), 1.0f, 0.0f}, 0x00FF00},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(customColorValue(c.rgb), c.value) << c.rgb[0] << " " << c.rgb[1] << " " << c.rgb[2];
    }
}

TEST_F(LuaFunctionsWindowTest, TeamCommandSendsTheQuotedIdTheAiSwitchAndFilters) {
    // Rows of the team combo: 0 manual entry, then the six preset ids.
    struct Case {
        const char* name;
        int teamRow;  // -1: left as it is
        bool clickAi;
        int whichRow;
        std::string arguments;
    };
    const Case cases[] = {
        {"defaults", -1, false, -1, "(\"\", false, 1, 0)"},
        {"first preset", 1, false, -1, "(\"Player_1/teamPlayer_1\", false, 1, 0)"},
        {"last preset under AI control", 6, true, -1, "(\"Player_6/teamPlayer_6\", true, 1, 0)"},
        {"all units", 2, false, 2, "(\"Player_2/teamPlayer_2\", false, 0, 0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TeamPlayerList list;
        initTeamPlayerNames(list);
        m_sent.clear();
        const auto draw = [&] { drawUnitTeamPanel(m_lua, list); };
        if (c.teamRow >= 0) chooseFromCombo("队伍 ID", c.teamRow, draw);
        if (c.clickAi) m_toolkit.clickText("启用 AI 操控", draw);
        if (c.whichRow >= 0) chooseFromCombo("选择哪些单位", c.whichRow, draw);
        m_toolkit.clickText("切换单位的队伍", draw, 1);  // the button, below the heading
        EXPECT_EQ(argumentsSent(kUnitTeamScript), std::vector<std::string>{c.arguments});
    }
}

// The manual entry gives the field 8 more bytes each frame: the first frame of typing takes 7
// bytes and the NUL.
TEST_F(LuaFunctionsWindowTest, ManualTeamIdGrowsBySevenBytesAFrameAndIsSentEscaped) {
    const auto draw = [&] { drawUnitTeamPanel(m_lua, m_teams); };
    chooseFromCombo("队伍 ID", 0, draw);
    m_toolkit.frame(draw);
    m_toolkit.frame(draw);  // the popup finds its place
    const ImVec2 field = popupContentStart();
    m_toolkit.clickAt(ImVec2(field.x + 5.0f, field.y + 5.0f), draw);

    m_toolkit.type("ab\"c\\defgh", draw);
    EXPECT_EQ(m_teams.teamId, "ab\"c\\de");
    // While the field stays active, the toolkit keeps the room it had when it was activated.
    m_toolkit.type("fgh", draw);
    EXPECT_EQ(m_teams.teamId, "ab\"c\\def");
    EXPECT_EQ(m_teams.teamId.find('\0'), std::string::npos);

    clickOutside(draw);
    chooseFromCombo("队伍 ID", 0, draw);
    m_toolkit.frame(draw);
    m_toolkit.frame(draw);
    const float textEnd = ImGui::CalcTextSize(m_teams.teamId.c_str()).x;
    m_toolkit.clickAt(ImVec2(field.x + textEnd + 8.0f, field.y + 5.0f), draw);  // after the text
    m_toolkit.type("gh", draw);
    EXPECT_EQ(m_teams.teamId, "ab\"c\\defgh");

    clickOutside(draw);
    m_toolkit.clickText("切换单位的队伍", draw, 1);
    EXPECT_EQ(argumentsSent(kUnitTeamScript),
              std::vector<std::string>{"(\"ab\\\"c\\\\defgh\", false, 1, 0)"});
}

TEST_F(LuaFunctionsWindowTest, InputToggleTwiceSendsFalseThenTrueAndRestoresTheLabel) {
    const auto draw = [this] { drawGameInputPanel(m_lua); };
    m_toolkit.clickText("在游戏中禁用输入", draw);
    EXPECT_FALSE(g_gameInputEnabled);
    m_toolkit.clickText("在游戏中启用输入", draw);
    EXPECT_TRUE(g_gameInputEnabled);
    EXPECT_EQ(argumentsSent(kGameInputScript), (std::vector<std::string>{"(false)", "(true)"}));
    m_toolkit.frame(draw);
    m_toolkit.textRect("在游戏中禁用输入");
}

TEST_F(LuaFunctionsWindowTest, CommandsWithoutARunnerDoNothingButTheToggleStillFlips) {
    m_lua.runChunk = nullptr;
    bool enabled = true;
    sendToggleCommand(m_lua, &enabled);
    EXPECT_FALSE(enabled);
    sendUnitColorCommand(m_lua, m_colors);
    sendUnitTeamCommand(m_lua, m_teams);
    EXPECT_TRUE(m_sent.empty());
}

// The foreground draw list's vertices as rectangles: four corners each, then its colour.
std::vector<std::vector<float>> foregroundRects() {
    const ImDrawList* list = ImGui::GetForegroundDrawList();
    std::vector<std::vector<float>> rects;
    for (int v = 0; v + 3 < list->VtxBuffer.Size; v += 4) {
        const ImDrawVert* corner = &list->VtxBuffer[v];
        rects.push_back({corner[0].pos.x, corner[0].pos.y, corner[2].pos.x, corner[2].pos.y,
                         static_cast<float>(corner[0].col == IM_COL32_WHITE)});
    }
    return rects;
}

TEST_F(LuaFunctionsWindowTest, WhiteCrossFollowsTheMouseWhileGameInputIsOff) {
    const std::vector<std::vector<float>> cross = {{285, 98, 315, 102, 1},
                                                   {298, 85, 302, 115, 1}};
    struct Case {
        const char* name;
        bool inputEnabled;
        bool collapsed;
        bool drawn;
        bool crossShown;
    };
    const Case cases[] = {
        {"input on", true, false, true, false},
        {"input off", false, false, true, true},
        {"input off, window collapsed", false, true, true, true},
        {"input off, window not drawn", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_gameInputEnabled = c.inputEnabled;
        ImGui::GetIO().MousePos = ImVec2(300.0f, 100.0f);
        m_toolkit.frame([&] {
            if (!c.drawn) return;
            ImGui::SetNextWindowCollapsed(c.collapsed);
            drawLuaFunctionsWindow(m_lua);
        });
        EXPECT_EQ(foregroundRects(), c.crossShown ? cross : std::vector<std::vector<float>>{});
    }
}

// The window's last widget is the input switch: the window draws all three panels.
TEST_F(LuaFunctionsWindowTest, WindowEndsInTheInputSwitch) {
    const auto draw = [this] {
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImVec2(500.0f, 580.0f));  // wrapped texts keep their place
        drawLuaFunctionsWindow(m_lua);
    };
    m_toolkit.frame(draw);
    const ImGuiWindow* window = ImGui::FindWindowByName(kLuaFunctionsWindowTitle);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Active);
    EXPECT_FALSE(window->HasCloseButton);
    const ImVec2 lastWidget(window->DC.CursorPosPrevLine.x - 5.0f,
                            window->DC.CursorPosPrevLine.y + window->DC.PrevLineSize.y / 2);
    m_toolkit.clickAt(lastWidget, draw);
    EXPECT_FALSE(g_gameInputEnabled);
    EXPECT_EQ(argumentsSent(kGameInputScript), std::vector<std::string>{"(false)"});
}

}  // namespace
