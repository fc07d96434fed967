#include "app/cli_output.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

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
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fwrite("\r\n", 1, 2, stdout);
    std::fflush(stdout);
}
