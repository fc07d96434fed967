#include "app/cli_output.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "jobs/access_pause.h"
#include "jobs/proxy_override.h"
#include "support/write_guard.h"

ConsoleLineSink::ConsoleLineSink() {
    // The line ends are written as they are; no "\n" to "\r\n" translation.
    _setmode(_fileno(stdout), _O_BINARY);
    InfoLog.AddSink(this);
}

ConsoleLineSink::~ConsoleLineSink() {
    InfoLog.RemoveSink(this);
    std::fflush(stdout);
}

void ConsoleLineSink::WriteLine(const std::string& line) {
    // Messages may hold bare line feeds; on the console every line ends in CR LF.
    std::string text;
    text.reserve(line.size() + 2);
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\n' && (i == 0 || line[i - 1] != '\r')) text += '\r';
        text += line[i];
    }
    text += "\r\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

namespace {
BOOL WINAPI OnConsoleInterrupt(DWORD) {
    RequestFetchStop();
    // Wait for a file being written, then end before the next one starts.
    FileWriteMutex().lock();
    RestoreProxyAtExit();
    std::fflush(stdout);
    ::ExitProcess(1);
}
}  // namespace

void EndOnConsoleInterrupt() {
    FetchStopRequested() = false;  // before the handler: a Ctrl+C from here on counts
    ::SetConsoleCtrlHandler(OnConsoleInterrupt, TRUE);
}

void ReportPeakMemory() {
    if (!std::getenv("KOMETORI_REPORT_PEAK_MEMORY")) return;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        std::fprintf(stderr, "PeakWorkingSetSize = %llu\n",
                     static_cast<unsigned long long>(counters.PeakWorkingSetSize));
    }
}

int RunWritingJob(const std::function<bool()>& job) {
    EndOnConsoleInterrupt();
    bool ok;
    {
        std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
        ok = job();
    }
    ReportPeakMemory();
    return ok ? 0 : 1;
}
