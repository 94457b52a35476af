#include "overlay/hotkey_input.h"

#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <string>

using namespace Zo::KV9RudiVeruv;

namespace {

constexpr const char* kLabel = "时停快捷键 Ctrl+";
constexpr int kBackspaceKey = 8;

class HotkeyInput : public ::testing::Test {
protected:
    void draw() { drawHotkeyInput(kLabel, &m_hotkey); }

    // A click into the right end of the field, which follows the label: the cursor then stands
    // after the field's character.
    void focusField() {
        m_toolkit.frame([&] { draw(); });
        const ImRect label = m_toolkit.textRect(kLabel);
        const float fieldEnd = label.Max.x + ImGui::GetStyle().ItemSpacing.x +
                               ImGui::CalcTextSize("WWW").x;
        m_toolkit.clickAt(ImVec2(fieldEnd - 2.0f, label.GetCenter().y), [&] { draw(); });
    }

    void pressBackspace() {
        ImGuiIO& io = ImGui::GetIO();
        io.KeyMap[ImGuiKey_Backspace] = kBackspaceKey;
        io.KeysDown[kBackspaceKey] = true;
        m_toolkit.frame([&] { draw(); });
        io.KeysDown[kBackspaceKey] = false;
        m_toolkit.frame([&] { draw(); });
    }

    HeadlessToolkit m_toolkit{ImVec2(400.0f, 100.0f), {kLabel}};
    char m_hotkey = 0;
};

TEST_F(HotkeyInput, ALetterBecomesTheUpperCaseHotkeyAndAnythingElseTurnsItOff) {
    struct Case {
        char before;
        const char* typed;
        char after;
    };
    const Case cases[] = {
        {0, "a", 'A'}, {0, "q", 'Q'}, {0, "Z", 'Z'}, {'P', "1", 0}, {'P', " ", 0}, {'P', "%", 0},
    };
    for (const Case& c : cases) {
        // The one-character field takes a character only when it is empty.
        m_hotkey = 0;
        focusField();
        m_hotkey = c.before;
        m_toolkit.type(c.typed, [&] { draw(); });
        EXPECT_EQ(m_hotkey, c.after) << "typed " << c.typed;
        ImGui::ClearActiveID();
    }
}

TEST_F(HotkeyInput, ClearingTheFieldTurnsTheHotkeyOff) {
    m_hotkey = 'K';
    focusField();
    ASSERT_EQ(m_hotkey, 'K');
    pressBackspace();
    EXPECT_EQ(m_hotkey, 0);
}

TEST_F(HotkeyInput, ShowsTheHotkeyWithTheLabelCentredBesideIt) {
    m_hotkey = 'H';
    ImRect line;
    const std::string text = m_toolkit.frameText([&] {
        draw();
        line = ImRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
    });
    EXPECT_NE(text.find('H'), std::string::npos) << text;
    const ImRect label = m_toolkit.textRect(kLabel);
    EXPECT_NEAR(label.GetCenter().y, line.GetCenter().y, 1.0f);
    EXPECT_LT(label.Max.x, line.Max.x - ImGui::CalcTextSize("WWW").x);
}

}  // namespace
