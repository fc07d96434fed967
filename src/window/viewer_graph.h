// The viewer's graph (child control 1204): the density curve drawn by the
// graph core's one drawing function, the search's curve over it and the
// selected moment. A click, or the arrow keys while it has the focus, picks a
// moment; the mouse over it shows the time and the count in a tip.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/comment_graph.h"

// What the graph shows; the viewer owns it and redraws the graph after a change.
struct GraphView {
    const GraphFigures* figures = nullptr;  // null: the hint instead of a graph
    const std::vector<GraphPeak>* peaks = nullptr;
    const std::vector<std::uint32_t>* subset = nullptr;  // the search's on-screen counts
    long long selected = -1;                             // hundredths of a second
    std::wstring hint;
    std::function<void(long long moment)> pick;  // a moment clicked or stepped to
};

// The control; the view must outlive it.
HWND CreateGraphControl(HWND parent, int id, GraphView* view);
void RedrawGraph(HWND graph);
// The control's tip window (for tests).
HWND GraphTip(HWND graph);
