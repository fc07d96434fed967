// A file written beside its target under a temporary name and moved over the
// target only once it is complete: a failed or interrupted save never costs
// the existing file and never leaves half a file under the target's name.
#pragma once

#include <windows.h>

#include <string>

#include "support/handles.h"

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile() { Abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file in the target's folder. False when it cannot
    // be made (LastError() holds the system's code).
    bool Begin(const std::wstring& target);
    // The same under a name of the caller's in the target's folder, for a
    // writer that holds a lock on the target: a file a killed run left under
    // that name is replaced.
    bool BeginAt(const std::wstring& target, const std::wstring& temp);
    // For writers that save to a path themselves.
    const std::wstring& TempPath() const { return temp_; }

    // Buffered writes into the temporary file.
    bool Write(const char* data, std::size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }

    // Writes what is buffered, flushes it to the disk, closes the file and
    // moves it over the target in one step (a kill leaves the old or the new).
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();

    DWORD LastError() const { return error_; }

private:
    bool Flush();
    bool Failed();

    // UTF-16 paths: a path of 259 double-byte characters is more bytes than a
    // narrow MAX_PATH buffer holds.
    std::wstring target_, temp_;
    FileHandle file_;
    std::string buffer_;
    DWORD error_ = 0;
};
