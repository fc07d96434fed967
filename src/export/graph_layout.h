// Where the parts of a comment graph go in a drawing area: the curve's
// scales, the time axis's ticks and labels, the peaks' marks. Arithmetic
// only; the drawing measures its labels and hands the widths in.
// Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "export/comment_graph.h"

// Pixels, right and bottom exclusive.
struct GraphRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Pixel width of a label in the drawing's font.
using LabelWidth = std::function<int(const std::wstring&)>;

struct GraphTick {
    std::size_t second = 0;
    int x = 0;
    std::wstring label;
    GraphRect labelBox;
};

struct GraphPeakMark {
    GraphPeak peak;
    int x = 0;              // the middle of the peak's columns
    int y = 0;              // the top of the curve there
    bool labelled = false;  // false when no place was free for the label
    std::wstring label;
    GraphRect labelBox;
};

struct GraphLayout {
    GraphRect area;
    GraphRect plot;           // the curve's columns; the baseline is the row below it
    std::size_t seconds = 0;  // the timeline, spread over plot's width
    std::uint32_t top = 1;    // the count that reaches plot.top
    bool text = false;        // room for the labels
    std::vector<GraphTick> ticks;
    std::vector<GraphPeakMark> peaks;
};

// Lays a graph of the figures out in the area. textHeight is the labels'
// line height; an area too low for labels gets the curve alone.
GraphLayout LayOutGraph(const GraphRect& area, const GraphFigures& figures, const std::vector<GraphPeak>& peaks,
                        int textHeight, const LabelWidth& labelWidth);

// Per pixel column of a plot `columns` wide, the highest count among the
// seconds the column covers (a peak never falls between two columns). A
// vector shorter than seconds reads as zeros beyond its end.
std::vector<std::uint32_t> ColumnCounts(const std::vector<std::uint32_t>& perSecond, std::size_t seconds, int columns);
// The first and last column (counted from the plot's left) that show second s.
std::pair<int, int> ColumnsOfSecond(std::size_t s, std::size_t seconds, int columns);
// Pixels of a column's fill: 0 for no comment, at least 1 for one.
int FillHeight(std::uint32_t count, std::uint32_t top, int plotHeight);
// The x of a moment (hundredths of a second) on the layout's timeline.
int MomentX(const GraphLayout& layout, long long hundredths);
// The moment under x: the earliest that MomentX draws at x (or right of it,
// where a second is wider than a hundred columns); x outside the plot counts
// as its edge, and an empty timeline gives 0.
long long MomentAtX(const GraphLayout& layout, int x);

// The seconds between two ticks of a timeline `seconds` long on a plot
// `width` wide, whose labels are at most labelWidth(label) wide.
std::size_t TickStep(std::size_t seconds, int width, const LabelWidth& labelWidth);
// A tick's label: "N分" on steps of whole minutes, "m:ss" below.
std::wstring TickLabel(std::size_t second, std::size_t step);
