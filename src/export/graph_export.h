// Comment file to density graph: the per-second figures read in one pass,
// the graph as a PNG picture and the figures as CSV.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "export/comment_graph.h"
#include "settings/subtitle_settings.h"

class ChatElement;

// True for a comment to leave out of the figures (the NG rules); it still
// stretches the timeline, as a deleted comment does. An empty filter hides nothing.
using CommentFilter = std::function<bool(const ChatElement&)>;

// The comments' times on the screen as the subtitle export shows them.
GraphTiming GraphTimingOf(const SubtitleSettings& subtitle);

struct GraphReading {
    GraphFigures figures;
    std::size_t comments = 0;    // chat elements in the file
    std::size_t counted = 0;     // in the figures
    std::size_t hidden = 0;      // left out by the filter
    std::size_t deleted = 0;     // placeholders of deleted comments, never on the screen
    std::size_t unreadable = 0;  // without a usable vpos, or later than the timeline's end
};

// Reads the comment file's figures in one pass. False with the reason in
// error when the file cannot be read or turns out malformed.
bool ReadGraphFigures(const std::wstring& commentPath, const GraphTiming& timing, const CommentFilter& hide,
                      GraphReading& reading, std::string& error);

struct GraphExport {
    std::wstring commentPath;
    std::wstring picturePath;  // PNG
    std::wstring csvPath;      // empty: no CSV
    int width = 1280;
    int height = 200;
    GraphTiming timing;
    CommentFilter hide;
};

// The pictures' sizes a console or a dialog may ask for.
constexpr int kGraphMinSide = 16;
constexpr int kGraphMaxWidth = 8192;
constexpr int kGraphMaxHeight = 2048;

// Reads the comment file, then writes the picture and the CSV; each is made
// beside its target and put in place when complete, and nothing is written
// when the comment file cannot be read. Logs a summary line, the peaks
// ("ピーク 1: 12:34 (58 件)") and its own failures; true when every file was
// written. COM must be initialised on the calling thread.
bool ExportCommentGraph(const GraphExport& request);

// The comment file's path with its extension (if any) replaced by ".png".
std::wstring GraphPicturePathFor(const std::wstring& commentPath);
