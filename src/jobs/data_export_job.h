// The data export job without its window: heading lines, the export with the
// NG rules, and the outcome, with the states and messages of the conversion.
#pragma once

#include <string>

#include "export/data_export.h"
#include "jobs/conversion_job.h"

struct DataExportRequest {
    DataExportOptions options;
    std::string completionMessage;                // shown or logged on success
    bool batch = false;                           // outcomes to the info log instead of message boxes
    NgChoice ng = App().settings.NgRuleChoice();  // taken when the request is made
};

// Logs the heading, runs the export and reports the outcome; true on success.
bool RunDataExportJob(const DataExportRequest& request, ConversionView* view = nullptr);

// The comment file's path with its extension (if any) replaced by ".jsonl" or ".csv".
std::wstring DataFilePathFor(const std::wstring& commentPath, DataFormat format);

// The format a data file's name asks for (".csv" or ".jsonl", either case);
// otherwise the one given.
DataFormat DataFormatOf(const std::wstring& output, DataFormat otherwise);

// The completion message of the console (and the window's command).
std::string DataSavedMessage(const std::wstring& output);
