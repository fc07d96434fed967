// Questions about files on disk.
#pragma once

#include <string>

// True when both paths name one existing file (however they are spelt).
bool SameFile(const std::string& a, const std::string& b);
// True when the path names an existing folder.
bool IsFolder(const std::wstring& path);
// The folder that holds the running program, without a trailing "\".
std::wstring ProgramFolder();
