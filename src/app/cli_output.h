// Finished log lines on standard output, oldest first, in the ANSI code page,
// each ended by "\r\n".
#pragma once

#include "infolog/info_log.h"

class ConsoleLineSink : public LineSink {
public:
    ConsoleLineSink();
    ~ConsoleLineSink() override;
    void WriteLine(const std::string& line) override;
};

// With KOMETORI_REPORT_PEAK_MEMORY set, the process's peak working set goes to
// standard error (the benchmarks read it).
void ReportPeakMemory();
