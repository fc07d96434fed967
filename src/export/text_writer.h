// The text file of an export: one line per call, CR LF line ends, UTF-8 or the
// ANSI code page by the TextOutUTF8 setting, read anew for every line.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/handles.h"

class TextLineWriter {
public:
    // utf8 points at the TextOutUTF8 setting, read for every line so that a
    // change during an export applies from the next line on; null: the ANSI code page.
    explicit TextLineWriter(const bool* utf8 = nullptr) : utf8Setting_(utf8) {}
    ~TextLineWriter() { Close(); }
    TextLineWriter(const TextLineWriter&) = delete;
    TextLineWriter& operator=(const TextLineWriter&) = delete;

    // Creates the file, or empties it when it exists. False when it cannot be
    // created; LastError() holds the system's code. Buffered, lines gather,
    // are encoded a block at a time and go to the system in large writes and
    // at Close (which leaving any way does): a long export pays neither a
    // conversion nor a system call per line.
    bool Open(const std::wstring& path, bool buffered = false);
    // Encodes the line and writes it with its line end (every LF inside the
    // line becomes CR LF too); unbuffered, it reaches the system at once, so
    // that what was written survives a later failure. A line that fails to
    // encode is written empty. False when the write fails.
    bool WriteLine(const std::wstring& line);
    // Hands over what is buffered and closes the file; false when that write failed.
    bool Close();
    // Drops what is buffered, leaves the file empty as Open made it and closes
    // it; false when the file could not be emptied.
    bool Discard();

    DWORD LastError() const { return lastError_; }

private:
    // The lines held in UTF-16 into bytes.
    void Encode();
    bool WritePending();

    const bool* utf8Setting_;
    FileHandle file_;
    DWORD lastError_ = 0;
    bool buffered_ = false;
    bool utf8_ = false;                  // the encoding of the lines held
    std::wstring lines_;                 // lines not encoded yet, each with its CR LF
    std::vector<std::size_t> lineEnds_;  // where each of them ends in lines_
    std::unique_ptr<char[]> bytes_;      // encoded lines not handed over yet
    std::size_t byteCount_ = 0, byteRoom_ = 0;
};
