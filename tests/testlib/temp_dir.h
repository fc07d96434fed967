// A fresh folder under the system temp folder, removed with its files at the end.
#pragma once

#include <string>
#include <vector>

#include "support/files.h"  // FileExists of a wide path

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The temp folder's name is ASCII, so both forms name the same folder.
    const std::string& Path() const { return path_; }
    const std::wstring& WidePath() const { return widePath_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    std::wstring File(const std::wstring& name) const { return widePath_ + L"\\" + name; }

private:
    std::wstring widePath_;
    std::string path_;
};

// Three nested folder names of Japanese text below base, 188 characters in all
// (over 260 bytes in code page 932), each ending in a character whose second
// byte is 0x5C. Nothing is created.
std::string LongJapaneseFolder(const std::string& base);

// Names as users have them that code page 932 lacks characters of: an
// accented letter, Hangul, an emoji (a surrogate pair), simplified Chinese.
extern const wchar_t kAccentedHangul[];  // "José 한국"
extern const wchar_t kEmojiName[];       // "😀コメント"
extern const wchar_t kHangulName[];      // "한국어"
extern const wchar_t kChineseName[];     // "弹幕"

// Whole-file helpers; a narrow path is taken in the ANSI code page.
bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::wstring& path);
std::string ReadFileBytes(const std::string& path);
// True when written whole.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool MakeFolder(const std::wstring& path);
// Names of the files in a folder (no "." or "..").
std::vector<std::wstring> ListFolder(const std::wstring& folder);
std::vector<std::string> ListFolder(const std::string& folder);
