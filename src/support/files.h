// Questions about files on disk.
#pragma once

#include <string>

// True when both paths name one existing file (however they are spelt).
bool SameFile(const std::wstring& a, const std::wstring& b);
// The full path the system makes of the path; empty when it cannot.
std::wstring FullPath(const std::wstring& path);
// True when both paths would name one file, existing or not: SameFile, or
// the same full path with case ignored.
bool SamePath(const std::wstring& a, const std::wstring& b);
// True when the path names an existing file or folder.
bool FileExists(const std::wstring& path);
// True when the path names an existing folder.
bool IsFolder(const std::wstring& path);
// The file's size in bytes; 0 when it cannot be asked.
unsigned long long FileSize(const std::wstring& path);
// What a change of a file changes: its size and the time of its last write.
// A file that cannot be asked has none.
struct FileStamp {
    bool exists = false;
    unsigned long long size = 0;
    unsigned long long written = 0;  // FILETIME as one number
    bool operator==(const FileStamp& other) const {
        return exists == other.exists && size == other.size && written == other.written;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp StampOf(const std::wstring& path);
// The folder that holds the running program, without a trailing "\".
std::wstring ProgramFolder();
// The path with the extension of its last component (as the shell finds it)
// replaced, or extension added when it has none.
std::wstring ReplaceExtension(const std::wstring& path, const std::wstring& extension);
// The process's current folder, as the system gives it (a root keeps its "\").
std::wstring CurrentFolder();
