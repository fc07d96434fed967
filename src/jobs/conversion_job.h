// The conversion job without its window: heading lines, the export and the
// outcome. The window's thread entry wraps RunConversionJob with its busy and
// idle states; the console companion calls it directly.
#pragma once

#include <string>

#include "export/export_progress.h"
#include "settings/settings.h"

struct ConversionRequest {
    std::wstring commentPath;
    std::wstring textPath;
    std::string format;                              // a copy of Format taken when the request is filled
    std::string completionMessage;                   // shown or logged on success
    bool batch = false;                              // outcomes to the info log instead of message boxes
    NgChoice ng = App().settings.NgRuleChoice();     // taken when the request is made
    const bool* utf8 = &App().settings.TextOutUTF8;  // read for every line: the menu may change it meanwhile
};

// What a window adds to a conversion. Without one the export shows no
// progress and outcomes that would be message boxes are logged as they are.
class ConversionView : public ExportProgress {
public:
    // Shows a non-batch outcome (the window's message box); logLine is the
    // batch line, for a window that has let the job go and shows no box.
    virtual void ShowOutcome(const std::string& message, const std::string& logLine) = 0;
};

// An outcome: the batch line to the log, otherwise the view's message box
// (or, without a view, the message to the log).
void ReportConversionOutcome(bool batch, ConversionView* view, const std::string& batchLine,
                             const std::string& message);
// The end of a job: the completion message, or the failure ("◆" + failure
// in batch mode, failure + "。" in a message box).
void ReportJobEnd(bool ok, bool batch, ConversionView* view, const std::string& completion, const std::string& failure);

// Logs the heading, runs the export and reports the outcome; true on success.
bool RunConversionJob(const ConversionRequest& request, ConversionView* view = nullptr);

// The comment file's path with its last three characters replaced by "txt".
std::wstring TextFilePathFor(const std::wstring& commentPath);

// The overwrite question for a text file (filter "*.txt", extension ".txt");
// the user may choose another path. False when cancelled; the caller decides
// what to log.
bool ConfirmTextOverwrite(std::wstring& textPath);
// TextFilePathFor followed by the overwrite question.
bool ChooseTextFilePath(const std::wstring& commentPath, std::wstring& textPath);

// The completion message of the menu command, the file drop and the console.
std::string TextSavedMessage(const std::wstring& textPath);
