// Finished log lines on standard output, oldest first, in the ANSI code page,
// each ended by "\r\n".
#pragma once

#include <functional>

#include "infolog/info_log.h"

class ConsoleLineSink : public LineSink {
public:
    ConsoleLineSink();
    ~ConsoleLineSink() override;
    void WriteLine(const std::string& line) override;
};

// Ctrl+C and closing the console: asks the running job to stop, waits for a
// file being written (FileWriteMutex) and ends the process with status 1.
void EndOnConsoleInterrupt();

// With KOMETORI_REPORT_PEAK_MEMORY set, the process's peak working set goes to
// standard error (the benchmarks read it).
void ReportPeakMemory();

// Runs a job that writes a file the user keeps, with Ctrl+C waiting for the
// file (EndOnConsoleInterrupt, FileWriteMutex), then ReportPeakMemory: the
// exit status, 0 when the job succeeded, else 1.
int RunWritingJob(const std::function<bool()>& job);
