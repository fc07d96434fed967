// Questions about files on disk.
#pragma once

#include <string>

// True when both paths name one existing file (however they are spelt).
bool SameFile(const std::string& a, const std::string& b);
bool SameFile(const std::wstring& a, const std::wstring& b);
// True when both paths would name one file, existing or not: SameFile, or
// the same full path with case ignored.
bool SamePath(const std::wstring& a, const std::wstring& b);
// True when something (a file, a folder) exists under the path.
bool PathExists(const std::wstring& path);
// True when the path names an existing folder.
bool IsFolder(const std::wstring& path);
// The folder that holds the running program, without a trailing "\".
std::wstring ProgramFolder();
