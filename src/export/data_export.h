// Comment files to one data file (JSON Lines or CSV, one row per comment) and
// the manifest beside it, which records the inputs, the rules and the gaps in
// each thread's numbers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "export/data_format.h"
#include "export/export_progress.h"
#include "settings/program_identity.h"

class NgFilter;

class NgFilter;

struct DataExportOptions {
    std::vector<std::wstring> inputs;  // comment files, written in this order
    std::wstring output;
    DataFormat format = DataFormat::JsonLines;
    bool hashUsers = false;
    std::string salt;         // UTF-8; with hashUsers the ids become SHA-256(salt + id)
    ProgramIdentity program;  // the manifest's tool and version
};

struct DataExportSummary {
    std::size_t comments = 0;  // chat elements in all inputs
    std::size_t exported = 0;  // rows written
    std::size_t excluded = 0;  // hidden by the rules
};

// "OUT.manifest.json" beside OUT.
std::wstring ManifestPathFor(const std::wstring& output);

// Writes the data file and its manifest. Both go through temporary files moved
// over the targets once every input has been read whole: a failure leaves
// existing files as they were. Logs its own failures and a summary line;
// filter, progress and summary may be null.
bool ExportCommentData(const DataExportOptions& options, NgFilter* filter = nullptr, ExportProgress* progress = nullptr,
                       DataExportSummary* summary = nullptr);
