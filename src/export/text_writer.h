// The text file of an export: one line per call, CR LF line ends, UTF-8 or the
// ANSI code page by the TextOutUTF8 setting, read anew for every line.
#pragma once

#include <windows.h>

#include <string>

#include "support/handles.h"

class TextLineWriter {
public:
    // Creates the file, or empties it when it exists. False when it cannot be
    // created; LastError() holds the system's code.
    bool Open(const std::string& path);
    // Encodes the line, writes it with its line end (every LF inside the line
    // becomes CR LF too) and hands it to the system at once, so that what was
    // written survives a later failure. A line that fails to encode is written
    // empty. False when the write fails.
    bool WriteLine(const std::wstring& line);
    void Close() { file_.reset(); }

    DWORD LastError() const { return lastError_; }

private:
    FileHandle file_;
    DWORD lastError_ = 0;
    std::string buffer_;
};
