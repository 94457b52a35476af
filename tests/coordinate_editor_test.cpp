#define IMGUI_DEFINE_MATH_OPERATORS  // ImVec2 arithmetic

#include "overlay/coordinate_editor.h"

#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

constexpr float kPi = 3.14159265f;
constexpr char kHint[] = "按住 Ctrl 再点击可以直接输入数值";

class CoordinateEditor : public ::testing::Test {
protected:
    HeadlessToolkit m_toolkit{ImVec2(800.0f, 600.0f), {"坐标（可拖动）旋转俯仰滚转°", kHint}};
};

// Whether the last frame showed a tooltip.
bool tooltipShown() {
    const ImGuiWindow* tooltip = ImGui::FindWindowByName("##Tooltip_00");
    return tooltip != nullptr && tooltip->Active;
}

// Where the arrow's tip points from the middle of the two white triangles, as a unit vector.
ImVec2 arrowDirection(ImGuiWindow* window) {
    const ImVec2 whitePixel = GImGui->DrawListSharedData.TexUvWhitePixel;
    std::vector<ImVec2> corners;
    for (const ImDrawVert& vertex : window->DrawList->VtxBuffer) {
        if (vertex.col == IM_COL32_WHITE && vertex.uv.x == whitePixel.x && vertex.uv.y == whitePixel.y) {
            corners.push_back(vertex.pos);
        }
    }
    EXPECT_EQ(corners.size(), 6u) << "two filled triangles";
    ImVec2 middle(0.0f, 0.0f);
    for (const ImVec2& corner : corners) middle = middle + corner / static_cast<float>(corners.size());
    ImVec2 tip = middle;
    float farthest = 0.0f;
    for (const ImVec2& corner : corners) {
        const ImVec2 d = corner - middle;
        if (d.x * d.x + d.y * d.y > farthest) {
            farthest = d.x * d.x + d.y * d.y;
            tip = corner;
        }
    }
    const ImVec2 d = tip - middle;
    return d / std::sqrt(farthest == 0.0f ? 1.0f : d.x * d.x + d.y * d.y);
}

TEST_F(CoordinateEditor, ReturnsThisFramesEditAndNeverWritesTheArgument) {
    const CameraCoordinate value{1.0f, 2.0f, 3.0f, kPi / 2.0f, 45.0f, 0.25f};
    std::vector<CameraCoordinate> results;
    const auto draw = [&] { results.push_back(drawCoordinateEditor(value, "Test")); };
    // The middle of the rotation slider, which shows 90.0°, stands for 0 degrees.
    m_toolkit.clickText("90.0°", draw);
    ASSERT_EQ(results.size(), 3u);
    const CameraCoordinate& pressed = results[1];
    EXPECT_NEAR(pressed.r1, 0.0f, 0.1f) << "within a few pixels of the middle";
    EXPECT_EQ(pressed.x, 1.0f);
    EXPECT_EQ(pressed.y, 2.0f);
    EXPECT_EQ(pressed.z, 3.0f);
    EXPECT_EQ(pressed.r2, 45.0f);
    EXPECT_EQ(pressed.r3, 0.25f);
    EXPECT_EQ(results[2].r1, kPi / 2.0f) << "the next frame starts from the argument again";
    EXPECT_EQ(value.r1, kPi / 2.0f);
}

// Ctrl+click lets the user type a value: "1e39" reads as infinity, "*1e39" on a zero as NaN.
TEST_F(CoordinateEditor, TypedValuesThatAreNotFiniteAreRefused) {
    struct Case {
        const char* typed;
        const char* beside;  // text on or right of the widget
        float dx;            // from that text's left edge to the point clicked
        std::size_t channel;
        float expected;
    };
    const CameraCoordinate value{1.0f, 2.0f, 3.0f, 0.0f, 45.0f, 0.25f};
    const Case cases[] = {
        {"1e39", "坐标（可拖动）", -450.0f, 0, 1.0f}, {"nan", "坐标（可拖动）", -450.0f, 0, 1.0f},
        {"7", "坐标（可拖动）", -450.0f, 0, 7.0f},    {"*1e39", "0.0°", 0.0f, 3, 0.0f},
        {"inf", "45.0°", 0.0f, 4, 45.0f},             {"30", "45.0°", 0.0f, 4, 30.0f},
    };
    ImGuiIO& io = ImGui::GetIO();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CameraCoordinate result{};
        const auto draw = [&] { result = drawCoordinateEditor(value, "Test"); };
        m_toolkit.frame(draw);
        const ImRect beside = m_toolkit.textRect(c.beside);
        io.KeyCtrl = true;
        m_toolkit.clickAt(ImVec2(beside.Min.x + c.dx, beside.GetCenter().y), draw);
        io.KeyCtrl = false;
        m_toolkit.type(c.typed, draw);
        EXPECT_EQ(result[c.channel], c.expected);
        m_toolkit.press(ImGuiKey_Escape, draw);
    }
}

// Angles whose conversion to degrees and back gives another float.
TEST_F(CoordinateEditor, WithoutAnEditEveryValueComesBackExactly) {
    for (const float angle : {0.03f, 0.05f, 0.06f, 0.1f, 0.12f, -2.9f}) {
        const CameraCoordinate value{1.0f, 2.0f, 3.0f, angle, 45.0f, angle};
        CameraCoordinate result{};
        m_toolkit.frame([&] { result = drawCoordinateEditor(value, "Test"); });
        EXPECT_EQ(result.r1, value.r1) << angle;
        EXPECT_EQ(result.r3, value.r3) << angle;
    }
}

TEST_F(CoordinateEditor, TheArrowTurnsWithTheRotation) {
    struct Case {
        float rotation;
        ImVec2 direction;  // on the screen, y downwards
    };
    const Case cases[] = {{0.0f, ImVec2(0.0f, -1.0f)},
                          {kPi / 2.0f, ImVec2(-1.0f, 0.0f)},
                          {kPi, ImVec2(0.0f, 1.0f)},
                          {-kPi / 2.0f, ImVec2(1.0f, 0.0f)}};
    for (const Case& c : cases) {
        const CameraCoordinate value{0.0f, 0.0f, 0.0f, c.rotation, 45.0f, 0.0f};
        ImGuiWindow* window = m_toolkit.frame([&] { drawCoordinateEditor(value, "Arrow"); });
        const ImVec2 direction = arrowDirection(window);
        // The anti-aliased fringe shifts the drawn corners a little.
        EXPECT_NEAR(direction.x, c.direction.x, 0.05f) << "rotation " << c.rotation;
        EXPECT_NEAR(direction.y, c.direction.y, 0.05f) << "rotation " << c.rotation;
    }
}

TEST_F(CoordinateEditor, HintsAtTypedInputWhileAnyOfItsWidgetsIsHovered) {
    const CameraCoordinate value{0.0f, 0.0f, 0.0f, 0.0f, 45.0f, 0.0f};
    const auto draw = [&] { drawCoordinateEditor(value, "Hint"); };
    struct Case {
        const char* hovered;  // nullptr: the mouse stands below the widgets
        bool hint;
    };
    const Case cases[] = {{"坐标（可拖动）", true}, {"旋转", true}, {"俯仰", true}, {"滚转", true},
                          {nullptr, false}};
    for (const Case& c : cases) {
        m_toolkit.frame(draw);
        ImGui::GetIO().MousePos =
            c.hovered ? m_toolkit.textRect(c.hovered).GetCenter() : ImVec2(400.0f, 500.0f);
        m_toolkit.frame(draw);
        EXPECT_EQ(tooltipShown(), c.hint) << (c.hovered ? c.hovered : "none");
    }
}

}  // namespace
