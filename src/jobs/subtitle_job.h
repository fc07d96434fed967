// The subtitle conversion job without its window: heading lines, the export
// and the outcome, with the states and messages of the text conversion. The
// window's menu command and the console companion fill a request and run it.
#pragma once

#include <string>

#include "jobs/conversion_job.h"
#include "settings/subtitle_settings.h"

struct SubtitleRequest {
    std::wstring commentPath;
    std::wstring assPath;
    SubtitleSettings options;                     // a copy taken when the request is filled
    std::string completionMessage;                // shown or logged on success
    bool batch = false;                           // outcomes to the info log instead of message boxes
    NgChoice ng = App().settings.NgRuleChoice();  // taken when the request is made
    ProgramIdentity program = App().Identity();   // named in the subtitle file's header
};

// Logs the heading, runs the export and reports the outcome; true on success.
bool RunSubtitleJob(const SubtitleRequest& request, ConversionView* view = nullptr);

// The comment file's path with its extension (if any) replaced by ".ass".
std::wstring SubtitleFilePathFor(const std::wstring& commentPath);

// The overwrite question for a subtitle file (filter "*.ass", extension
// ".ass"); the user may choose another path. False when cancelled.
bool ConfirmSubtitleOverwrite(std::wstring& assPath);
// SubtitleFilePathFor followed by the overwrite question.
bool ChooseSubtitleFilePath(const std::wstring& commentPath, std::wstring& assPath);

// The completion message of the menu command and the console.
std::string SubtitleSavedMessage(const std::wstring& assPath);
