// The comment graph drawn through GDI. Every place that shows the graph
// calls DrawCommentGraph with its own device context, so a window and a
// picture file show one drawing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "export/comment_graph.h"
#include "export/graph_layout.h"
#include "support/picture.h"

// What a viewer adds to the curve of every comment.
struct GraphMarks {
    // On-screen counts of some of the comments (a search's), on the same
    // seconds and scale, drawn darker over the whole curve. Null for none.
    const std::vector<std::uint32_t>* subset = nullptr;
    // A selected moment in hundredths of a second, drawn as a vertical line;
    // below 0 for none.
    long long selected = -1;
};

// Colours of the drawing (0x00BBGGRR, as GDI takes them).
constexpr COLORREF kGraphBackground = RGB(255, 255, 255);
constexpr COLORREF kGraphFill = RGB(150, 180, 225);
constexpr COLORREF kGraphSubset = RGB(30, 60, 150);
constexpr COLORREF kGraphPeak = RGB(215, 90, 0);
constexpr COLORREF kGraphSelected = RGB(220, 0, 0);

// Draws the whole graph into the area: background, the curve of on-screen
// counts, the subset's curve, the time axis in minutes, the peaks with their
// times and the selected moment.
void DrawCommentGraph(HDC dc, const RECT& area, const GraphFigures& figures, const std::vector<GraphPeak>& peaks,
                      const GraphMarks& marks = {});
// Where DrawCommentGraph puts the parts in the area (a window finds the
// moment under the mouse by it).
GraphLayout MeasureCommentGraph(HDC dc, const RECT& area, const GraphFigures& figures,
                                const std::vector<GraphPeak>& peaks);

// The same drawing as a picture of width × height pixels. False when the
// system refuses the bitmap (too large).
bool RenderCommentGraph(int width, int height, const GraphFigures& figures, const std::vector<GraphPeak>& peaks,
                        const GraphMarks& marks, Picture& picture);
