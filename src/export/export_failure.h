// The one ending of an export that something threw out of.
#pragma once

// Called inside a catch block: logs what was thrown (an exception's own text,
// or the given line for anything else) and gives false, the export's result.
bool ReportExportFailure(const char* unknownFailureLine);
