// A path as the INI file keeps it. The file is written in the ANSI code page,
// which lacks most of the characters a folder's name may hold ("José", "한국",
// emoji). A path the code page holds is written as it is, so its bytes stay
// what every version wrote; any other is written escaped:
//
//     SavePath=*utf16*C:\Users\Jos%u00E9 %uD55C%uAD6D\Down
//
// the marker, then the path with each character the code page lacks, each
// control character and "%" as "%u" and its UTF-16 unit in four hexadecimal
// digits. No path can begin with "*", so an INI file of an older version reads
// as before. Free of window code: the fuzz target builds it natively (texts
// are UTF-16 units there too, whatever the width of wchar_t).
#pragma once

#include <functional>
#include <string>

inline constexpr wchar_t kEscapedPathMarker[] = L"*utf16*";

// The escaped form of the path; literal says which other characters stand as
// they are (those the file's code page holds).
std::wstring EscapeIniPath(const std::wstring& path, const std::function<bool(wchar_t)>& literal);

// The path an escaped form stands for. False when stored is not in the
// escaped form (then it is the path itself) or is malformed.
bool UnescapeIniPath(const std::wstring& stored, std::wstring& path);

// True when the value, written as it is, would read back as something else:
// it starts with the marker or holds a control character.
bool NeedsEscaping(const std::wstring& value);
