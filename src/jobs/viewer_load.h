// A comment file read for a viewer window, on the window's worker: the file
// opened by its wide path, the NG rules of the settings applied, the comments
// kept in a table with the list's orders and the curve of them all.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "export/comment_graph.h"
#include "viewer/comment_table.h"
#include "settings/settings.h"

struct ViewerRequest {
    std::wstring path;
    NgChoice ng;
    GraphTiming timing;
};

struct ViewerContent {
    std::wstring path;
    CommentTable table;
    TableReading reading;
    bool rulesOn = false;
    GraphTiming timing;
    CommentOrders orders;
    GraphFigures figures;
    std::vector<GraphPeak> peaks;
};

// Reads the file whole. percent is called when the share of its bytes read
// changes. False with the user's message in error (logged too), or with error
// empty when the thread's stop flag ended the reading.
bool ReadViewerContent(const ViewerRequest& request, const std::function<void(int percent)>& percent,
                       ViewerContent& content, std::wstring& error);
