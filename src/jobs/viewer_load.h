// A comment file read for a viewer window, on the window's worker: the file
// opened by its wide path, the NG rules of the settings applied, the comments
// kept in a table with the list's orders and the curve of them all; then
// followed, read again after each change on disk.
#pragma once

#include <functional>
#include <memory>
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

// Why a reading failed: the message for the user's box (logged too) and the
// reason alone, for a status bar.
struct ViewerError {
    std::wstring message, reason;
};

// Reads the file whole. percent, if given, is called when the share of its
// bytes read changes. False with the error, or with the error's message empty
// when the thread's stop flag ended the reading.
bool ReadViewerContent(const ViewerRequest& request, const std::function<void(int percent)>& percent,
                       ViewerContent& content, ViewerError& error);

struct ViewerFollow {
    bool shown = false;                        // the file is shown already: only its changes are read
    std::function<void(int percent)> percent;  // the first reading's
    // Each reading's end, again for those after a change on disk: the
    // content, or null with the error. False when no more are wanted.
    std::function<bool(std::shared_ptr<const ViewerContent> content, const ViewerError& error, bool again)> ended;
};

// Reads the file, then watches its folder and reads the file again after each
// change of it (a file moved over it, written anew), until the thread's stop
// flag is set or ended wants no more. A first reading that fails ends it;
// with shown, the first reading waits for the first change.
void FollowViewerFile(const ViewerRequest& request, const ViewerFollow& follow);
