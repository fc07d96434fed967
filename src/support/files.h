// Questions about files on disk.
#pragma once

#include <string>

// True when both paths name one existing file (however they are spelt).
bool SameFile(const std::string& a, const std::string& b);
bool SameFile(const std::wstring& a, const std::wstring& b);
