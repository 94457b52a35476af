#include <implot.h>

#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

void useAPlotContext() {
    static ImPlotContext* const context = ImPlot::CreateContext();
    static_cast<void>(context);
}

float centreX(const ImRect& rect) { return rect.GetCenter().x; }
float centreY(const ImRect& rect) { return rect.GetCenter().y; }

// x from 100 to 160 in steps of 10, y from 3 to 4 in steps of 0.2, on the whole window width.
void plotAround(const std::function<void()>& items, const char* title = "Curve") {
    ImPlot::SetNextPlotLimits(100.0, 160.0, 3.0, 4.0, ImGuiCond_Always);
    if (!ImPlot::BeginPlot(title)) return;
    items();
    ImPlot::EndPlot();
}

std::size_t vertexCount(ImGuiWindow* window) {
    return static_cast<std::size_t>(window->DrawList->VtxBuffer.Size);
}

std::size_t verticesColoured(ImGuiWindow* window, ImU32 colour) {
    std::size_t count = 0;
    for (const ImDrawVert& vertex : window->DrawList->VtxBuffer) count += vertex.col == colour;
    return count;
}

class PlotLayer : public ::testing::Test {
protected:
    void SetUp() override { useAPlotContext(); }
    HeadlessToolkit m_toolkit{ImVec2(800.0f, 600.0f)};
};

TEST_F(PlotLayer, TickLabelsStandEvenlyAlongBothAxes) {
    m_toolkit.frame([] { plotAround([] {}); });
    std::vector<float> xs;
    for (const char* label : {"100", "110", "120", "130", "140", "150", "160"}) {
        xs.push_back(centreX(m_toolkit.textRect(label)));
    }
    for (std::size_t i = 1; i + 1 < xs.size(); ++i) {
        EXPECT_GT(xs[i], xs[i - 1]);
        EXPECT_NEAR(xs[i + 1] - xs[i], xs[i] - xs[i - 1], 1.0f) << "tick " << i;
    }
    std::vector<float> ys;
    for (const char* label : {"3.2", "3.4", "3.6", "3.8"}) ys.push_back(centreY(m_toolkit.textRect(label)));
    for (std::size_t i = 1; i + 1 < ys.size(); ++i) {
        EXPECT_LT(ys[i], ys[i - 1]) << "greater values stand higher";
        EXPECT_NEAR(ys[i + 1] - ys[i], ys[i] - ys[i - 1], 1.0f) << "tick " << i;
    }
    const std::string text = m_toolkit.frameText([] { plotAround([] {}); });
    EXPECT_NE(text.find("Curve"), std::string::npos) << text;
}

TEST_F(PlotLayer, ADraggedPointFollowsTheMouseOnTheAxesScale) {
    double x = 130.0;
    double y = 3.5;
    std::vector<bool> returned;
    const auto draw = [&] {
        plotAround([&] { returned.push_back(ImPlot::DragPoint("P", &x, &y)); });
    };
    m_toolkit.frame(draw);
    const ImVec2 point(centreX(m_toolkit.textRect("130")),
                       (centreY(m_toolkit.textRect("3.4")) + centreY(m_toolkit.textRect("3.6"))) / 2.0f);
    const ImVec2 target(centreX(m_toolkit.textRect("150")), centreY(m_toolkit.textRect("3.8")));
    EXPECT_NE(m_toolkit.frameText(draw).find("P = 130,3.50"), std::string::npos);

    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = point;
    m_toolkit.frame(draw);
    io.MouseDown[0] = true;
    m_toolkit.frame(draw);
    EXPECT_EQ(x, 130.0) << "a press alone moves nothing";
    io.MousePos = target;
    returned.clear();
    m_toolkit.frame(draw);
    io.MouseDown[0] = false;
    m_toolkit.frame(draw);

    EXPECT_EQ(returned, (std::vector<bool>{true, false}));
    EXPECT_NEAR(x, 150.0, 0.5);
    EXPECT_NEAR(y, 3.8, 0.02);
}

// Below right of its point, or on the other side of it where the label would leave the plot.
TEST_F(PlotLayer, APointsLabelStandsBesideItWhollyInsideThePlot) {
    struct Case {
        double x;
        double y;
        const char* label;
        bool left;
        bool above;
    };
    const Case cases[] = {{110.0, 3.8, "P = 110,3.80", false, false},
                          {158.0, 3.8, "P = 158,3.80", true, false},
                          {110.0, 3.02, "P = 110,3.02", false, true},
                          {158.0, 3.02, "P = 158,3.02", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        double x = c.x;
        double y = c.y;
        ImGuiWindow* window = m_toolkit.frame([&] {
            plotAround([&] { ImPlot::DragPoint("P", &x, &y); });
        });
        // The point, from the ticks 100 and 160, 3.2 and 3.8.
        const float x100 = centreX(m_toolkit.textRect("100"));
        const float x160 = centreX(m_toolkit.textRect("160"));
        const float y32 = centreY(m_toolkit.textRect("3.2"));
        const float y38 = centreY(m_toolkit.textRect("3.8"));
        const ImVec2 point(x100 + static_cast<float>((c.x - 100.0) / 60.0) * (x160 - x100),
                           y32 + static_cast<float>((c.y - 3.2) / 0.6) * (y38 - y32));
        const ImRect label = m_toolkit.textRect(c.label);
        EXPECT_EQ(label.Max.x < point.x, c.left);
        EXPECT_EQ(label.Min.x > point.x, !c.left);
        EXPECT_EQ(label.Max.y < point.y, c.above);
        EXPECT_EQ(label.Min.y > point.y, !c.above);
        EXPECT_EQ(verticesCutOff(*window), 0);
    }
}

TEST_F(PlotLayer, TheLabelsOfNeighbouringPointsStandApart) {
    const char* names[3] = {"P", "Q", "R"};
    double xs[3] = {130.0, 131.0, 130.0};
    double ys[3] = {3.5, 3.52, 3.48};
    ImGuiWindow* window = m_toolkit.frame([&] {
        plotAround([&] {
            for (int i = 0; i < 3; ++i) ImPlot::DragPoint(names[i], &xs[i], &ys[i]);
        });
    });
    std::vector<ImRect> labels;
    for (const char* label : {"P = 130,3.50", "Q = 131,3.52", "R = 130,3.48"}) {
        labels.push_back(m_toolkit.textRect(label));
        labels.back().Expand(2.0f);  // the box round the text
    }
    for (std::size_t i = 0; i < labels.size(); ++i) {
        for (std::size_t j = i + 1; j < labels.size(); ++j) {
            EXPECT_FALSE(labels[i].Overlaps(labels[j])) << i << " and " << j;
        }
    }
    EXPECT_EQ(verticesCutOff(*window), 0);
}

TEST_F(PlotLayer, ALabelWiderThanThePlotHasItsValuesUnderItsName) {
    struct Case {
        float plotWidth;
        bool twoLines;
    };
    for (const Case c : {Case{600.0f, false}, Case{220.0f, true}}) {
        SCOPED_TRACE(c.plotWidth);
        double x = 130.0;
        double y = 3.5;
        ImGuiWindow* window = m_toolkit.frame([&] {
            ImPlot::SetNextPlotLimits(100.0, 160.0, 3.0, 4.0, ImGuiCond_Always);
            if (!ImPlot::BeginPlot("##narrow", nullptr, nullptr, ImVec2(c.plotWidth, 300.0f))) {
                return;
            }
            ImPlot::DragPoint("A point of some name", &x, &y);
            ImPlot::EndPlot();
        });
        const ImRect name = m_toolkit.textRect("A point of some name");
        const ImRect values = m_toolkit.textRect("= 130,3.50");
        EXPECT_EQ(values.Min.y > name.Max.y, c.twoLines);
        EXPECT_EQ(values.Min.x == name.Min.x, c.twoLines);
        EXPECT_EQ(verticesCutOff(*window), 0);
    }
}

TEST_F(PlotLayer, ALineJoinsNeighbouringFinitePointsOnly) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto verticesOfLine = [&](std::vector<float> ys) {
        const std::vector<float> xs{110.0f, 120.0f, 130.0f, 140.0f};
        const std::size_t without = vertexCount(m_toolkit.frame([] { plotAround([] {}); }));
        const std::size_t with = vertexCount(m_toolkit.frame([&] {
            plotAround([&] { ImPlot::PlotLine("line", xs.data(), ys.data(), 4); });
        }));
        return with - without;
    };
    const std::size_t oneSegment = verticesOfLine({3.1f, 3.2f, nan, nan});
    EXPECT_GT(oneSegment, 0u);
    struct Case {
        std::vector<float> ys;
        std::size_t segments;
    };
    const Case cases[] = {{{3.1f, 3.2f, 3.4f, 3.5f}, 3},
                          {{3.1f, nan, 3.4f, 3.5f}, 1},
                          {{3.1f, 3.2f, 3.4f, nan}, 2},
                          {{nan, nan, nan, nan}, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(verticesOfLine(c.ys), c.segments * oneSegment) << c.segments << " segments";
    }
}

TEST_F(PlotLayer, ALineStyleHoldsForTheNextLineOnly) {
    const ImU32 faint = ImGui::ColorConvertFloat4ToU32(ImVec4(1.0f, 1.0f, 1.0f, 0.4f));
    const ImU32 firstAutomatic = ImGui::ColorConvertFloat4ToU32(ImVec4(0.298f, 0.447f, 0.690f, 1.0f));
    const double xs[2] = {110.0, 150.0};
    const double ys[2] = {3.2, 3.8};
    ImGuiWindow* window = m_toolkit.frame([&] {
        plotAround([&] {
            ImPlot::SetNextLineStyle(ImVec4(1.0f, 1.0f, 1.0f, 0.4f));
            ImPlot::PlotLine("styled", xs, ys, 2);
            ImPlot::PlotLine("plain", xs, ys, 2);
        }, "Styles");
    });
    EXPECT_GT(verticesColoured(window, faint), 0u);
    EXPECT_GT(verticesColoured(window, firstAutomatic), 0u) << "the first item of automatic colour";
    window = m_toolkit.frame([&] {
        plotAround([&] { ImPlot::PlotLine("styled", xs, ys, 2); }, "Styles");
    });
    EXPECT_EQ(verticesColoured(window, faint), 0u);
}

TEST_F(PlotLayer, LimitsOnceHoldForThePlotsFirstFrameAlwaysForEveryFrame) {
    struct Case {
        const char* title;
        ImGuiCond condition;
        bool secondLimitsShown;
    };
    const Case cases[] = {{"Once##limits", ImGuiCond_Once, false},
                          {"Always##limits", ImGuiCond_Always, true}};
    for (const Case& c : cases) {
        const auto drawWith = [&](double xMax) {
            return m_toolkit.frameText([&] {
                ImPlot::SetNextPlotLimits(100.0, xMax, 3.0, 4.0, c.condition);
                if (ImPlot::BeginPlot(c.title)) ImPlot::EndPlot();
            });
        };
        EXPECT_NE(drawWith(160.0).find("160"), std::string::npos) << c.title;
        const std::string second = drawWith(1000.0);
        EXPECT_EQ(second.find("1000") != std::string::npos, c.secondLimitsShown) << c.title;
    }
}

}  // namespace
