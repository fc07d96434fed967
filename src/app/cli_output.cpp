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
