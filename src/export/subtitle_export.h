// Comment file to subtitle file (ASS): the comments fly over the video in any
// player that reads the subtitle file beside it, as they did on the site.
#pragma once

#include <cstddef>
#include <string>

#include "export/export_progress.h"
#include "ng/ng_rules.h"
#include "settings/program_identity.h"
#include "settings/subtitle_settings.h"

struct SubtitleSummary {
    std::size_t comments = 0;  // chat elements in the file
    std::size_t shown = 0;     // written as Dialogue lines, overlaid ones included
    std::size_t overlaid = 0;  // shown over others because the stage was full
    std::size_t leftOut = 0;   // no free lane: written as Comment lines
    // Written as Comment lines too, each for its reason:
    std::size_t overCap = 0;      // would have gone over MaxOnScreen
    std::size_t merged = 0;       // drawn as the first of its repeats ("x N")
    std::size_t beforeStart = 0;  // moved before the video's start by the offset
    std::size_t invisible = 0;    // "invisible" in its mail
    std::size_t deleted = 0;      // the site's placeholder of a deleted comment (without a vpos: not written)
    std::size_t blank = 0;        // no visible text
    std::size_t unreadable = 0;   // without a usable vpos, or failing to read
    std::size_t excluded = 0;     // hidden by the NG rules or the Exclude pattern: not written
    bool fontFound = true;
};

// Writes the subtitle file for the comment file. The comment file is read
// before the subtitle file is touched, so an unreadable one leaves an
// existing subtitle file as it was. UTF-8 with a byte-order mark, CR LF. Logs
// its own failures and a summary line; true when the file is complete.
// progress and summary may be null. The Exclude option becomes one more
// pattern rule after the filter's (a filter of its own without one); a hidden
// comment is not written at all. The header names the program and its settings file.
bool ExportSubtitles(const SubtitleSettings& options, const ProgramIdentity& program, const std::wstring& commentPath,
                     const std::wstring& assPath, ExportProgress* progress = nullptr,
                     SubtitleSummary* summary = nullptr, NgFilter* filter = nullptr);
