#include "overlay/bezier_inspector.h"

#include "overlay/camera_profile.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"
#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>
#include <string>
#include <utility>

using namespace Zo::KV9RudiVeruv;

namespace {

// The text a window drew, read back from its glyphs in drawing order: a gap wider than a glyph
// becomes a space, a lower line a line break.
std::string drawnText(const ImGuiWindow& window) {
    const ImFont& font = *ImGui::GetIO().Fonts->Fonts[0];
    std::map<std::pair<float, float>, const ImFontGlyph*> glyphs;
    for (const ImFontGlyph& glyph : font.Glyphs) {
        if (glyph.Visible) glyphs[{glyph.U0, glyph.V0}] = &glyph;
    }
    const ImVector<ImDrawVert>& vertices = window.DrawList->VtxBuffer;
    std::string text;
    ImVec2 previousEnd(-1000.0f, -1000.0f);
    for (int vertex = 0; vertex + 3 < vertices.Size; ++vertex) {
        const ImDrawVert* corner = &vertices[vertex];
        const auto found = glyphs.find({corner[0].uv.x, corner[0].uv.y});
        if (found == glyphs.end() || corner[2].uv.x != found->second->U1 ||
            corner[2].uv.y != found->second->V1 || (corner[0].col & IM_COL32_A_MASK) == 0) {
            continue;
        }
        const ImFontGlyph& glyph = *found->second;
        const ImVec2 cell(corner[0].pos.x - glyph.X0, corner[0].pos.y - glyph.Y0);  // line top
        if (std::fabs(cell.y - previousEnd.y) > 1.0f) {
            if (!text.empty()) text += '\n';
        } else if (cell.x - previousEnd.x > 1.0f) {
            text += ' ';
        }
        const ImWchar character[2] = {static_cast<ImWchar>(glyph.Codepoint), 0};
        char utf8[8] = {};
        ImTextStrToUtf8(utf8, sizeof utf8, character, character + 1);
        text += utf8;
        previousEnd = ImVec2(cell.x + glyph.AdvanceX, cell.y);
        vertex += 3;
    }
    return text;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream stream(text);
    return {std::istream_iterator<std::string>(stream), std::istream_iterator<std::string>()};
}

bool hasWord(const std::string& text, const std::string& word) {
    const std::vector<std::string> all = words(text);
    return std::find(all.begin(), all.end(), word) != all.end();
}

const ImVec2 kInspectorSize(600.0f, 400.0f);

class BezierInspector : public ::testing::Test {
protected:
    void SetUp() override {
        g_currentProfile = CameraProfile{};
        ImGui::GetIO().DisplaySize = ImVec2(1200.0f, 1200.0f);
        // One segment in every channel: time 1 to 3 from value 20 to 22, pre at 0 and post at 9.
        CameraProfile& profile = g_currentProfile;
        profile.segmentUsesBezier = true;
        for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
            const float lift = static_cast<float>(channel) * 100.0f;  // tells the channels apart
            profile.bezierPre[channel] = CurveKey{20.0f + lift, 0.0f};
            profile.bezierStart[channel] = CurveKey{20.0f + lift, 1.0f};
            profile.bezierC1[channel] = CurveKey{20.5f + lift, 1.6f};
            profile.bezierC2[channel] = CurveKey{21.5f + lift, 2.6f};
            profile.bezierEnd[channel] = CurveKey{22.0f + lift, 3.0f};
            profile.bezierPost[channel] = CurveKey{22.0f + lift, 9.0f};
            profile.bezierResults[channel] = BezierSolveResult{21.0f + lift, 2.0f, 7};
        }
    }
    // The inspector beside the toolkit's window, at a fixed place and size.
    static void draw() { drawSized(kInspectorSize); }
    static void drawSized(ImVec2 size) {
        ImGui::SetNextWindowPos(ImVec2(0.0f, 610.0f));
        ImGui::SetNextWindowSize(size);
        drawBezierInspectorWindow();
    }
    // The inspector's own window ends the toolkit's text capture: its glyphs tell what it drew.
    std::string shown(ImVec2 size = kInspectorSize) {
        m_toolkit.frame([size] { drawSized(size); });
        const ImGuiWindow* window = ImGui::FindWindowByName(kBezierInspectorWindowTitle);
        return window != nullptr && window->Active ? drawnText(*window) : std::string();
    }
    static bool inspectorOpen() {
        const ImGuiWindow* window = ImGui::FindWindowByName(kBezierInspectorWindowTitle);
        return window != nullptr && window->Active;
    }

    std::lock_guard<std::recursive_mutex> m_lock{g_stateMutex};
    HeadlessToolkit m_toolkit{ImVec2(800.0f, 600.0f), {kBezierInspectorWindowTitle, "的贝塞尔曲线迭代了次后计算出结果"}};
    OverlayStateGuard m_overlayState;
};

TEST_F(BezierInspector, OpensOnlyWhileTheAnimationIsInABezierSegment) {
    const bool segments[] = {false, true, true, false};
    for (const bool inBezierSegment : segments) {
        g_currentProfile.segmentUsesBezier = inBezierSegment;
        m_toolkit.frame(draw);
        EXPECT_EQ(inspectorOpen(), inBezierSegment);
    }
}

TEST_F(BezierInspector, PlotsTheChosenChannelWithItsControlPoints) {
    const std::string text = shown();
    for (const char* part : {"x 的贝塞尔曲线", "迭代了 7 次后计算出的结果 = 2.0,21.0", "pre = 0.0,20.0",
                             "c1 = 1.6,20.5", "c2 = 2.6,21.5", "post = 9.0,22.0"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
    }
}

// Points near the plot's right edge have their labels on their left; in a narrow window the
// result's label has its values on a second line.
TEST_F(BezierInspector, EveryPointLabelIsDrawnWholeInsideThePlot) {
    struct Case {
        const char* what;
        ImVec2 windowSize;
        CurveKey post;
        BezierSolveResult result;
        std::vector<const char*> labels;
    };
    const Case cases[] = {
        {"post at the right edge", kInspectorSize, {22.0f, 9.0f}, {21.0f, 2.0f, 7},
         {"post = 9.0,22.0"}},
        {"the result near the right edge", kInspectorSize, {22.0f, 3.2f}, {21.9f, 3.1f, 12},
         {"post = 3.2,22.0", "迭代了 12 次后计算出的结果 = 3.1,21.9"}},
        {"a narrow window", {260.0f, 400.0f}, {22.0f, 9.0f}, {21.0f, 2.0f, 7},
         {"post = 9,22.0", "迭代了 7 次后计算出的结果\n= 2,21.0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_currentProfile.bezierPost[0] = c.post;
        g_currentProfile.bezierResults[0] = c.result;
        const std::string text = shown(c.windowSize);
        for (const char* label : c.labels) {
            EXPECT_NE(text.find(label), std::string::npos) << label << " in\n" << text;
        }
        EXPECT_EQ(verticesCutOff(*ImGui::FindWindowByName(kBezierInspectorWindowTitle)), 0);
    }
}

// A window shorter than the plot hides the plot's lower part; the labels stand in the part in
// view, whole.
TEST_F(BezierInspector, InAShortWindowThePointLabelsStandInThePartOfThePlotInView) {
    m_toolkit.frame([] { drawSized(ImVec2(600.0f, 250.0f)); });
    const ImGuiWindow& window = *ImGui::FindWindowByName(kBezierInspectorWindowTitle);
    for (const char* label : {"= 2.0,21.0", "pre = 0.0,20.0", "c1 = 1.6,20.5", "c2 = 2.6,21.5",
                              "post = 9.0,22.0"}) {
        const std::optional<ImRect> drawn = findTextIn(window, label);
        ASSERT_TRUE(drawn.has_value()) << label;
        EXPECT_TRUE(window.InnerClipRect.Contains(*drawn)) << label;
    }
}

TEST_F(BezierInspector, TheLimitsReachAnEighthAndHalfAUnitBeyondTheCurve) {
    // Times 0 to 9 give x from -1.625 to 10.625, where the tick 10 stands only thanks to the
    // margin; values 20 to 22 give y from 19.25 to 22.75, which holds no tick 19 or 23.
    const std::string text = shown();
    EXPECT_TRUE(hasWord(text, "10")) << text;
    for (const char* tick : {"20", "21", "22"}) EXPECT_TRUE(hasWord(text, tick)) << tick << " in\n" << text;
    for (const char* tick : {"19", "23"}) EXPECT_FALSE(hasWord(text, tick)) << tick << " in\n" << text;
}

TEST_F(BezierInspector, TheResultPointIsShownOnlyAfterASuccessfulSolve) {
    g_currentProfile.bezierResults[0].iterations = -1;
    const std::string text = shown();
    EXPECT_EQ(text.find("迭代了"), std::string::npos);
    EXPECT_NE(text.find("post = "), std::string::npos) << "the curve and its points stay";
}

TEST_F(BezierInspector, AChannelOutsideTheSixIsClampedToTheNearestEnd) {
    const std::pair<int, const char*> cases[] = {{9, "r3 的贝塞尔曲线"}, {-3, "x 的贝塞尔曲线"},
                                                 {4, "r2 的贝塞尔曲线"}};
    for (const auto& [channel, title] : cases) {
        g_currentProfile.inspectorChannel = channel;
        EXPECT_NE(shown().find(title), std::string::npos) << channel;
        EXPECT_EQ(g_currentProfile.inspectorChannel, std::clamp(channel, 0, 5));
    }
}

TEST_F(BezierInspector, DraggingAPointMovesNothingThatIsKept) {
    const CurveKey before = g_currentProfile.bezierC1[0];
    const std::string first = shown();
    EXPECT_EQ(g_currentProfile.bezierC1[0].t, before.t);
    EXPECT_EQ(shown(), first);
}

}  // namespace
