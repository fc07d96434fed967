// A fresh folder under the system temp folder, removed with its files at the end.
#pragma once

#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Three nested folder names of Japanese text below base, 188 characters in all
// (over 260 bytes in code page 932), each ending in a character whose second
// byte is 0x5C. Nothing is created.
std::string LongJapaneseFolder(const std::string& base);

// Whole-file helpers on narrow paths.
bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The same for a path with any character; true when written whole.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Names of the files in a folder (no "." or "..").
std::vector<std::string> ListFolder(const std::string& folder);
