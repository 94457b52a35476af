// ImVec2 arithmetic of the toolkit, as its own widgets use it.
#define IMGUI_DEFINE_MATH_OPERATORS

#include <implot.h>

#include <imgui_internal.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct ImPlotContext {
    struct Limits {
        double xMin = 0.0;
        double xMax = 1.0;
        double yMin = 0.0;
        double yMax = 1.0;
    };
    // What a plot keeps from frame to frame, by the plot's id.
    struct PlotState {
        Limits limits;
        std::unordered_map<ImGuiID, ImU32> itemColours;  // by item id, in order of first use
    };
    std::unordered_map<ImGuiID, PlotState> plots;

    std::optional<Limits> nextLimits;
    ImGuiCond nextLimitsCondition = ImGuiCond_Once;
    ImVec4 nextLineColour = IMPLOT_AUTO_COL;
    float nextLineWeight = IMPLOT_AUTO;

    // The plot between BeginPlot and EndPlot.
    PlotState* plot = nullptr;
    ImRect plotArea;
    ImRect labelArea;            // the part of the plot area in view
    std::vector<ImRect> labels;  // the point labels' boxes placed so far
    double xTickStep = 1.0;
    double yTickStep = 1.0;
};

namespace {

ImPlotContext* g_plotContext = nullptr;

const ImVec2 kDefaultPlotSize(400.0f, 300.0f);
const ImVec2 kPlotPadding(10.0f, 10.0f);
constexpr float kLabelPadding = 5.0f;  // between tick labels or the title and the plot area
constexpr float kTickLength = 10.0f;
constexpr float kPixelsPerXTick = 100.0f;
constexpr float kPixelsPerYTick = 40.0f;
constexpr int kMostTicks = 1000;
const ImVec2 kPointLabelOffset(16.0f, 8.0f);  // from a point to its label's text
const ImVec2 kPointLabelPadding(2.0f, 2.0f);  // around the label's text, in its colour

// ImPlot's default colour map, "Deep".
const ImVec4 kColourMap[] = {
    {0.298f, 0.447f, 0.690f, 1.0f}, {0.867f, 0.518f, 0.322f, 1.0f},
    {0.333f, 0.659f, 0.408f, 1.0f}, {0.769f, 0.306f, 0.322f, 1.0f},
    {0.506f, 0.446f, 0.702f, 1.0f}, {0.576f, 0.471f, 0.376f, 1.0f},
    {0.855f, 0.545f, 0.765f, 1.0f}, {0.549f, 0.549f, 0.549f, 1.0f},
    {0.800f, 0.725f, 0.455f, 1.0f}, {0.392f, 0.710f, 0.804f, 1.0f},
};

bool isAutomatic(const ImVec4& colour) { return colour.w == -1.0f; }

ImPlotContext& currentPlot() {
    IM_ASSERT(g_plotContext != nullptr && "no plotting context: call ImPlot::CreateContext");
    IM_ASSERT(g_plotContext->plot != nullptr && "only between BeginPlot and EndPlot");
    return *g_plotContext;
}

ImVec2 toPixels(const ImPlotContext& context, double x, double y) {
    const ImPlotContext::Limits& limits = context.plot->limits;
    const ImRect& area = context.plotArea;
    const double u = (x - limits.xMin) / (limits.xMax - limits.xMin);
    const double v = (y - limits.yMin) / (limits.yMax - limits.yMin);
    return ImVec2(static_cast<float>(area.Min.x + u * area.GetWidth()),
                  static_cast<float>(area.Max.y - v * area.GetHeight()));
}

std::pair<double, double> toPlot(const ImPlotContext& context, ImVec2 pixel) {
    const ImPlotContext::Limits& limits = context.plot->limits;
    const ImRect& area = context.plotArea;
    const double u = (pixel.x - area.Min.x) / area.GetWidth();
    const double v = (area.Max.y - pixel.y) / area.GetHeight();
    return {limits.xMin + u * (limits.xMax - limits.xMin),
            limits.yMin + v * (limits.yMax - limits.yMin)};
}

// The step between ticks: 1, 2 or 5 times a power of ten, about `targetCount` steps per range.
double tickStep(double min, double max, int targetCount) {
    const double rough = (max - min) / targetCount;
    if (!(rough > 0.0) || !std::isfinite(rough)) return 0.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    const double residual = rough / magnitude;
    const double factor = residual > 5.0 ? 10.0 : residual > 2.0 ? 5.0 : residual > 1.0 ? 2.0 : 1.0;
    return factor * magnitude;
}

// Multiples of `step` within [min, max]; none for an empty or non-finite range.
std::vector<double> tickValues(double min, double max, double step) {
    std::vector<double> values;
    if (!(step > 0.0)) return values;
    const double first = std::ceil(min / step) * step;
    const double slack = step * 1e-9;
    for (int i = 0; i < kMostTicks; ++i) {
        double value = first + i * step;
        if (value > max + slack) break;
        if (std::fabs(value) < slack) value = 0.0;  // no "-0" or "1e-17" beside zero
        values.push_back(value);
    }
    return values;
}

// As ImPlot labels a point's values: with the decimals that the axis's tick step needs.
int decimalsFor(double step) {
    if (!(step > 0.0)) return 3;
    const int order = static_cast<int>(std::floor(std::log10(step)));
    return order > 0 ? 0 : 1 - order;
}

std::string formatValue(double value, double step) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimalsFor(step), value);
    return text;
}

float widestText(const std::vector<std::string>& texts) {
    float widest = 0.0f;
    for (const std::string& text : texts) widest = ImMax(widest, ImGui::CalcTextSize(text.c_str()).x);
    return widest;
}

// As ImPlot labels ticks: "%g".
std::vector<std::string> tickLabels(const std::vector<double>& values) {
    std::vector<std::string> labels;
    for (const double value : values) {
        char text[64];
        std::snprintf(text, sizeof text, "%g", value);
        labels.push_back(text);
    }
    return labels;
}

// Text through the toolkit's own text path, so that it is clipped and logged like any other.
void drawText(ImVec2 position, const char* text, ImU32 colour) {
    ImGui::PushStyleColor(ImGuiCol_Text, colour);
    ImGui::RenderText(position, text);
    ImGui::PopStyleColor();
}

ImU32 itemColour(ImPlotContext& context, const char* labelId) {
    auto& colours = context.plot->itemColours;
    const ImGuiID id = ImGui::GetID(labelId);
    const auto found = colours.find(id);
    if (found != colours.end()) return found->second;
    const ImVec4& colour = kColourMap[colours.size() % IM_ARRAYSIZE(kColourMap)];
    return colours.emplace(id, ImGui::ColorConvertFloat4ToU32(colour)).first->second;
}

// A label's box, its text with the padding round it, on one side of a point: right of it or
// left, below it or above, its text `offset` away from the point.
ImRect labelBoxBeside(ImVec2 point, ImVec2 offset, ImVec2 textSize, bool right, bool below) {
    const ImVec2 text(right ? point.x + offset.x : point.x - offset.x - textSize.x,
                      below ? point.y + offset.y : point.y - offset.y - textSize.y);
    return ImRect(text - kPointLabelPadding, text + textSize + kPointLabelPadding);
}

// The box moved the shortest way into the area; one larger than the area to its top left.
ImRect pushedInside(const ImRect& box, const ImRect& area) {
    const ImVec2 shift(ImMax(area.Min.x - box.Min.x, ImMin(0.0f, area.Max.x - box.Max.x)),
                       ImMax(area.Min.y - box.Min.y, ImMin(0.0f, area.Max.y - box.Max.y)));
    return ImRect(box.Min + shift, box.Max + shift);
}

float overlap(const ImRect& a, const ImRect& b) {
    const float width = ImMin(a.Max.x, b.Max.x) - ImMax(a.Min.x, b.Min.x);
    const float height = ImMin(a.Max.y, b.Max.y) - ImMax(a.Min.y, b.Min.y);
    return width > 0.0f && height > 0.0f ? width * height : 0.0f;
}

// Where a point's label box goes in the part of the plot in view. Beside the point on one of its
// four sides (below right, below left, above right, above left, in this order), or as many
// label heights further down or up as it takes: the nearest box that covers the least of the
// labels placed before in the plot, and of those the first that stands wholly in view; a box
// that stands out is pushed into view.
ImRect placeLabel(ImPlotContext& context, ImVec2 point, ImVec2 offset, ImVec2 textSize) {
    struct Side {
        bool right;
        bool below;
    };
    const Side sides[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    const ImRect& area = context.labelArea;
    const float step = textSize.y + 2.0f * kPointLabelPadding.y;
    const int farthest = static_cast<int>(area.GetHeight() / step) + 1;
    std::optional<ImRect> best;
    float bestCovered = 0.0f;
    bool bestFits = false;
    for (int away = 0; away <= farthest; ++away) {
        for (const float direction : {1.0f, -1.0f}) {
            if (away == 0 && direction < 0.0f) continue;
            for (const Side side : sides) {
                ImRect beside = labelBoxBeside(point, offset, textSize, side.right, side.below);
                beside.TranslateY(direction * static_cast<float>(away) * step);
                const bool fits = area.Contains(beside);
                const ImRect box = pushedInside(beside, area);
                float covered = 0.0f;
                for (const ImRect& placed : context.labels) covered += overlap(box, placed);
                if (!best || covered < bestCovered ||
                    (covered == bestCovered && fits && !bestFits)) {
                    best = box;
                    bestCovered = covered;
                    bestFits = fits;
                }
            }
        }
    }
    context.labels.push_back(*best);
    return *best;
}

// "<name> = <values>" on one line, or on two, the values under the name, where one line is
// wider than `width`.
std::string pointLabel(const char* name, const char* nameEnd, const std::string& values,
                       float width) {
    const std::string oneLine = std::string(name, nameEnd) + " = " + values;
    if (ImGui::CalcTextSize(oneLine.c_str()).x <= width) return oneLine;
    return std::string(name, nameEnd) + "\n= " + values;
}

// Black on light colours, white on dark ones.
ImU32 contrastingText(const ImVec4& colour) {
    const float luminance = 0.299f * colour.x + 0.587f * colour.y + 0.114f * colour.z;
    return luminance > 0.5f ? IM_COL32_BLACK : IM_COL32_WHITE;
}

void drawXAxis(ImDrawList& drawList, const ImPlotContext& context, ImPlotAxisFlags flags) {
    const ImPlotContext::Limits& limits = context.plot->limits;
    const ImRect& area = context.plotArea;
    const ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);
    const ImU32 grid = ImGui::GetColorU32(ImGuiCol_Text, 0.25f);
    const std::vector<double> values = tickValues(limits.xMin, limits.xMax, context.xTickStep);
    const std::vector<std::string> labels = tickLabels(values);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float x = toPixels(context, values[i], limits.yMin).x;
        if (!(flags & ImPlotAxisFlags_NoGridLines)) {
            drawList.AddLine(ImVec2(x, area.Min.y), ImVec2(x, area.Max.y), grid);
        }
        drawList.AddLine(ImVec2(x, area.Max.y), ImVec2(x, area.Max.y - kTickLength), text);
        const float width = ImGui::CalcTextSize(labels[i].c_str()).x;
        drawText(ImVec2(x - width * 0.5f, area.Max.y + kLabelPadding), labels[i].c_str(), text);
    }
}

void drawYAxis(ImDrawList& drawList, const ImPlotContext& context, ImPlotAxisFlags flags) {
    const ImPlotContext::Limits& limits = context.plot->limits;
    const ImRect& area = context.plotArea;
    const ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);
    const ImU32 grid = ImGui::GetColorU32(ImGuiCol_Text, 0.25f);
    const float halfLine = ImGui::GetTextLineHeight() * 0.5f;
    const std::vector<double> values = tickValues(limits.yMin, limits.yMax, context.yTickStep);
    const std::vector<std::string> labels = tickLabels(values);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float y = toPixels(context, limits.xMin, values[i]).y;
        if (!(flags & ImPlotAxisFlags_NoGridLines)) {
            drawList.AddLine(ImVec2(area.Min.x, y), ImVec2(area.Max.x, y), grid);
        }
        drawList.AddLine(ImVec2(area.Min.x, y), ImVec2(area.Min.x + kTickLength, y), text);
        const float width = ImGui::CalcTextSize(labels[i].c_str()).x;
        drawText(ImVec2(area.Min.x - kLabelPadding - width, y - halfLine), labels[i].c_str(), text);
    }
}

}  // namespace

namespace ImPlot {

ImPlotContext* CreateContext() {
    g_plotContext = new ImPlotContext();
    return g_plotContext;
}

void SetNextPlotLimits(double xmin, double xmax, double ymin, double ymax, ImGuiCond cond) {
    IM_ASSERT(g_plotContext != nullptr && "no plotting context: call ImPlot::CreateContext");
    g_plotContext->nextLimits = ImPlotContext::Limits{xmin, xmax, ymin, ymax};
    g_plotContext->nextLimitsCondition = cond;
}

bool BeginPlot(const char* title_id, const char*, const char*, const ImVec2& size, ImPlotFlags,
               ImPlotAxisFlags x_flags, ImPlotAxisFlags y_flags, ImPlotAxisFlags,
               ImPlotAxisFlags, const char*, const char*) {
    IM_ASSERT(g_plotContext != nullptr && "no plotting context: call ImPlot::CreateContext");
    ImPlotContext& context = *g_plotContext;
    IM_ASSERT(context.plot == nullptr && "BeginPlot inside a plot");
    const std::optional<ImPlotContext::Limits> nextLimits = std::exchange(context.nextLimits, {});
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (window->SkipItems) return false;

    const ImGuiID id = window->GetID(title_id);
    auto [entry, isNew] = context.plots.try_emplace(id);
    ImPlotContext::PlotState& plot = entry->second;
    if (nextLimits && (context.nextLimitsCondition == ImGuiCond_Always || isNew)) {
        plot.limits = *nextLimits;
    }
    const ImVec2 start = window->DC.CursorPos;
    const ImRect frame(start, start + ImGui::CalcItemSize(size, kDefaultPlotSize.x,
                                                          kDefaultPlotSize.y));
    ImGui::ItemSize(frame);
    if (!ImGui::ItemAdd(frame, id)) return false;
    // The plot holds the mouse, so that a drag on it does not move the window, and lets the
    // points drawn on it take the mouse first.
    if (ImGui::ItemHoverable(frame, id)) ImGui::SetItemAllowOverlap();

    const float lineHeight = ImGui::GetTextLineHeight();
    const char* titleEnd = ImGui::FindRenderedTextEnd(title_id);
    const bool hasTitle = titleEnd != title_id;
    const float top = frame.Min.y + kPlotPadding.y + (hasTitle ? lineHeight + kLabelPadding : 0.0f);
    const float bottom = frame.Max.y - kPlotPadding.y - lineHeight - kLabelPadding;
    const ImPlotContext::Limits& limits = plot.limits;
    context.yTickStep = tickStep(limits.yMin, limits.yMax,
                                 ImMax(2, static_cast<int>((bottom - top) / kPixelsPerYTick)));
    const float yLabelWidth =
        widestText(tickLabels(tickValues(limits.yMin, limits.yMax, context.yTickStep)));
    const float left = frame.Min.x + kPlotPadding.x + yLabelWidth + kLabelPadding;
    const float right = frame.Max.x - kPlotPadding.x;
    context.plotArea = ImRect(ImVec2(left, top), ImMax(ImVec2(right, bottom), ImVec2(left + 1.0f, top + 1.0f)));
    context.xTickStep = tickStep(limits.xMin, limits.xMax,
                                 ImMax(2, static_cast<int>(context.plotArea.GetWidth() / kPixelsPerXTick)));
    context.plot = &plot;
    context.labels.clear();

    ImDrawList& drawList = *window->DrawList;
    drawList.AddRectFilled(frame.Min, frame.Max, ImGui::GetColorU32(ImGuiCol_FrameBg));
    drawList.AddRectFilled(context.plotArea.Min, context.plotArea.Max,
                           ImGui::GetColorU32(ImGuiCol_WindowBg));
    if (hasTitle) {
        const float titleWidth = ImGui::CalcTextSize(title_id, titleEnd).x;
        ImGui::RenderText(ImVec2(frame.GetCenter().x - titleWidth * 0.5f, frame.Min.y + kPlotPadding.y),
                          title_id, titleEnd);
    }
    drawXAxis(drawList, context, x_flags);
    drawYAxis(drawList, context, y_flags);
    drawList.PushClipRect(context.plotArea.Min, context.plotArea.Max, true);
    context.labelArea = ImRect(drawList.GetClipRectMin(), drawList.GetClipRectMax());
    return true;
}

void EndPlot() {
    ImPlotContext& context = currentPlot();
    ImDrawList& drawList = *ImGui::GetWindowDrawList();
    drawList.PopClipRect();
    drawList.AddRect(context.plotArea.Min, context.plotArea.Max, ImGui::GetColorU32(ImGuiCol_Border));
    context.plot = nullptr;
}

template <typename T>
void PlotLine(const char* label_id, const T* xs, const T* ys, int count, int offset, int stride) {
    ImPlotContext& context = currentPlot();
    const ImVec4 colour = std::exchange(context.nextLineColour, IMPLOT_AUTO_COL);
    const float weight = std::exchange(context.nextLineWeight, IMPLOT_AUTO);
    const ImU32 lineColour =
        isAutomatic(colour) ? itemColour(context, label_id) : ImGui::ColorConvertFloat4ToU32(colour);
    const float lineWeight = weight == IMPLOT_AUTO ? 1.0f : weight;
    const auto valueAt = [stride](const T* values, int index) {
        return static_cast<double>(*reinterpret_cast<const T*>(
            reinterpret_cast<const unsigned char*>(values) + static_cast<std::size_t>(index) * stride));
    };
    ImDrawList& drawList = *ImGui::GetWindowDrawList();
    std::optional<ImVec2> previous;
    for (int i = 0; i < count; ++i) {
        const int index = ((offset + i) % count + count) % count;
        const double x = valueAt(xs, index);
        const double y = valueAt(ys, index);
        if (!std::isfinite(x) || !std::isfinite(y)) {
            previous.reset();  // a gap in the line
            continue;
        }
        const ImVec2 pixel = toPixels(context, x, y);
        if (previous) drawList.AddLine(*previous, pixel, lineColour, lineWeight);
        previous = pixel;
    }
}

template void PlotLine<float>(const char*, const float*, const float*, int, int, int);
template void PlotLine<double>(const char*, const double*, const double*, int, int, int);

bool DragPoint(const char* id, double* x, double* y, bool show_label, const ImVec4& col,
               float radius) {
    ImPlotContext& context = currentPlot();
    const ImGuiID itemId = ImGui::GetID(id);
    const ImVec4 colour = isAutomatic(col) ? ImGui::GetStyleColorVec4(ImGuiCol_Text) : col;
    const ImVec2 position = toPixels(context, *x, *y);
    const float halfGrab = ImMax(5.0f, 2.0f * radius) * 0.5f;
    const ImRect grab(position - ImVec2(halfGrab, halfGrab), position + ImVec2(halfGrab, halfGrab));
    ImGui::KeepAliveID(itemId);
    bool hovered = false;
    bool held = false;
    ImGui::ButtonBehavior(grab, itemId, &hovered, &held);
    bool dragged = false;
    if (held && ImGui::IsMouseDragging(ImGuiMouseButton_Left)) {
        std::tie(*x, *y) = toPlot(context, ImGui::GetIO().MousePos);
        dragged = true;
    }
    if (hovered || held) ImGui::SetMouseCursor(ImGuiMouseCursor_Hand);

    ImDrawList& drawList = *ImGui::GetWindowDrawList();
    const ImVec2 drawnAt = toPixels(context, *x, *y);
    drawList.AddCircleFilled(drawnAt, radius, ImGui::ColorConvertFloat4ToU32(colour));
    if (show_label) {
        const std::string values =
            formatValue(*x, context.xTickStep) + "," + formatValue(*y, context.yTickStep);
        const std::string label =
            pointLabel(id, ImGui::FindRenderedTextEnd(id), values,
                       context.labelArea.GetWidth() - 2.0f * kPointLabelPadding.x);
        const ImRect box =
            placeLabel(context, drawnAt, kPointLabelOffset * ImGui::GetStyle().MouseCursorScale,
                       ImGui::CalcTextSize(label.c_str()));
        drawList.AddRectFilled(box.Min, box.Max, ImGui::ColorConvertFloat4ToU32(colour));
        drawText(box.Min + kPointLabelPadding, label.c_str(), contrastingText(colour));
    }
    return dragged;
}

void SetNextLineStyle(const ImVec4& col, float weight) {
    IM_ASSERT(g_plotContext != nullptr && "no plotting context: call ImPlot::CreateContext");
    g_plotContext->nextLineColour = col;
    g_plotContext->nextLineWeight = weight;
}

}  // namespace ImPlot
