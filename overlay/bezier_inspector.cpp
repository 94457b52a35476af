#include "overlay/bezier_inspector.h"

#include "overlay/bezier_timing.h"
#include "overlay/camera_profile.h"

#include <imgui.h>
#include <implot.h>

#include <boost/format.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr std::array<const char*, kCameraChannelCount> kChannelNames{"x", "y", "z", "r1", "r2", "r3"};
constexpr int kSampleCount = 21;
constexpr float kPointRadius = 4.0f;
const ImVec4 kTangentColour(1.0f, 1.0f, 1.0f, 0.4f);

// The curve's samples and the range of their values.
struct CurveSamples {
    std::array<float, kSampleCount> times{};
    std::array<float, kSampleCount> values{};
    float least = std::numeric_limits<float>::max();
    float greatest = std::numeric_limits<float>::lowest();
};

CurveSamples sampleCurve(const std::array<CurveKey, 4>& points) {
    CurveSamples samples;
    for (int i = 0; i < kSampleCount; ++i) {
        CurveKey point;
        evaluateCubicBezier(points, point, static_cast<float>(i) / static_cast<float>(kSampleCount - 1));
        samples.times[i] = point.t;
        samples.values[i] = point.v;
        samples.least = std::min(samples.least, point.v);
        samples.greatest = std::max(samples.greatest, point.v);
    }
    return samples;
}

// A draggable control point and the line to its anchor; dragging moves only this frame's copy.
void drawControlPoint(const char* name, const CurveKey& point, const CurveKey& anchor, bool faint) {
    double times[2] = {point.t, anchor.t};
    double values[2] = {point.v, anchor.v};
    ImGui::PushID("point");
    ImPlot::DragPoint(name, &times[0], &values[0], true, IMPLOT_AUTO_COL, kPointRadius);
    ImGui::PopID();
    ImGui::PushID("label");
    if (faint) ImPlot::SetNextLineStyle(kTangentColour, IMPLOT_AUTO);
    ImPlot::PlotLine(name, times, values, 2);
    ImGui::PopID();
}

void drawChannelSelector(CameraProfile& profile) {
    for (int channel = 0; channel < static_cast<int>(kCameraChannelCount); ++channel) {
        if (ImGui::RadioButton(kChannelNames[channel], profile.inspectorChannel == channel)) {
            profile.inspectorChannel = channel;
        }
        ImGui::SameLine();
    }
    ImGui::NewLine();
    // A profile may bring any number along.
    profile.inspectorChannel =
        std::clamp(profile.inspectorChannel, 0, static_cast<int>(kCameraChannelCount) - 1);
}

void drawInspectorContents(CameraProfile& profile) {
    drawChannelSelector(profile);
    const int channel = profile.inspectorChannel;
    const char* name = kChannelNames[channel];
    const CurveKey pre = profile.bezierPre[channel];
    const CurveKey start = profile.bezierStart[channel];
    const CurveKey c1 = profile.bezierC1[channel];
    const CurveKey c2 = profile.bezierC2[channel];
    const CurveKey end = profile.bezierEnd[channel];
    const CurveKey post = profile.bezierPost[channel];
    const CurveSamples samples = sampleCurve({start, c1, c2, end});

    const float yMin = std::min({pre.v, post.v, samples.least});
    const float yMax = std::max({pre.v, post.v, samples.greatest});
    const double xMargin = std::fabs(post.t - pre.t) * 0.125 + 0.5;
    const double yMargin = std::fabs(yMax - yMin) * 0.125 + 0.5;
    ImPlot::SetNextPlotLimits(pre.t - xMargin, post.t + xMargin, yMin - yMargin, yMax + yMargin,
                              ImGuiCond_Always);
    const std::string title = (boost::format("%1% 的贝塞尔曲线") % name).str();
    if (!ImPlot::BeginPlot(title.c_str(), nullptr, nullptr, ImVec2(-1.0f, 0.0f), ImPlotFlags_None,
                           ImPlotAxisFlags_None, ImPlotAxisFlags_None, ImPlotAxisFlags_NoGridLines,
                           ImPlotAxisFlags_NoGridLines)) {
        return;
    }
    ImPlot::PlotLine(name, samples.times.data(), samples.values.data(), kSampleCount);
    const BezierSolveResult& result = profile.bezierResults[channel];
    if (result.iterations >= 0) {
        const std::string label =
            (boost::format("迭代了 %1% 次后计算出的结果") % result.iterations).str();
        double time = result.t;
        double value = result.v;
        ImPlot::DragPoint(label.c_str(), &time, &value, true, IMPLOT_AUTO_COL, kPointRadius);
    }
    // The handles c1 and c2, and the faint directions pre -> end and post -> start that they
    // are built from.
    drawControlPoint("pre", pre, end, true);
    drawControlPoint("c1", c1, start, false);
    drawControlPoint("c2", c2, end, false);
    drawControlPoint("post", post, start, true);
    ImPlot::EndPlot();
}

}  // namespace

void drawBezierInspectorWindow() {
    CameraProfile& profile = g_currentProfile;
    if (!profile.segmentUsesBezier) return;
    static ImPlotContext* const plotContext = ImPlot::CreateContext();  // lives to the end
    static_cast<void>(plotContext);
    if (ImGui::Begin(kBezierInspectorWindowTitle)) drawInspectorContents(profile);
    ImGui::End();
}

}  // namespace Zo::KV9RudiVeruv
