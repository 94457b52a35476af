#pragma once

// A small plotting layer over the toolkit's draw list. It offers the calls of ImPlot 0.12 that
// the overlay uses, with ImPlot's names, arguments and meaning, so that the real library can
// take its place through the build alone: one plot at a time with x and y axes, tick labels and
// grid lines, lines through data points, and draggable points with their labels.

#include <imgui.h>

#define IMPLOT_API
#define IMPLOT_AUTO -1
#define IMPLOT_AUTO_COL ImVec4(0, 0, 0, -1)

struct ImPlotContext;
typedef int ImPlotFlags;
typedef int ImPlotAxisFlags;

enum ImPlotFlags_ {
    ImPlotFlags_None = 0,
};

enum ImPlotAxisFlags_ {
    ImPlotAxisFlags_None = 0,
    ImPlotAxisFlags_NoGridLines = 1 << 1,  // no grid lines across the plot for this axis
};

namespace ImPlot {

// Creates a context and makes it the current one.
IMPLOT_API ImPlotContext* CreateContext();

// Limits of the next plot; ImGuiCond_Always sets them every frame, any other condition only
// when the plot first appears.
IMPLOT_API void SetNextPlotLimits(double xmin, double xmax, double ymin, double ymax,
                                  ImGuiCond cond = ImGuiCond_Once);

// Starts a plot of `size` (-1 = the available width, 0 = the default size) titled by the text
// of `title_id` before any "##". Returns false when the plot is not drawn; EndPlot only follows
// a true. Only the x axis and the first y axis are drawn; y2 and y3 and the axis labels exist
// for ImPlot's argument list.
IMPLOT_API bool BeginPlot(const char* title_id, const char* x_label = NULL,
                          const char* y_label = NULL, const ImVec2& size = ImVec2(-1, 0),
                          ImPlotFlags flags = ImPlotFlags_None,
                          ImPlotAxisFlags x_flags = ImPlotAxisFlags_None,
                          ImPlotAxisFlags y_flags = ImPlotAxisFlags_None,
                          ImPlotAxisFlags y2_flags = ImPlotAxisFlags_NoGridLines,
                          ImPlotAxisFlags y3_flags = ImPlotAxisFlags_NoGridLines,
                          const char* y2_label = NULL, const char* y3_label = NULL);

IMPLOT_API void EndPlot();

// A line through `count` points, read from index `offset` on (wrapping round) with `stride`
// bytes between values. Defined for float and double.
template <typename T>
IMPLOT_API void PlotLine(const char* label_id, const T* xs, const T* ys, int count,
                         int offset = 0, int stride = sizeof(T));

// A point the mouse can drag, which writes the point's new place into x and y while dragged
// and then returns true. With show_label it is labelled "<id> = <x>,<y>" below right of it, or
// on another side, or further down or up, where the label would leave the part of the plot in
// view or cover a label of the plot drawn before: the plot shows the whole label (on two lines,
// " = " beginning the second, when one line is wider than the plot). The automatic colour is
// the text colour.
IMPLOT_API bool DragPoint(const char* id, double* x, double* y, bool show_label = true,
                          const ImVec4& col = IMPLOT_AUTO_COL, float radius = 4);

// Colour and weight of the next plotted line only; automatic values take the item's colour
// from the colour map and a weight of 1.
IMPLOT_API void SetNextLineStyle(const ImVec4& col = IMPLOT_AUTO_COL, float weight = IMPLOT_AUTO);

}  // namespace ImPlot
