// Conversions between UTF-16 and the ANSI code page (932) or UTF-8.
#pragma once

#include <cstddef>
#include <string>

// Into the ANSI code page, the few characters Japanese Windows gives code page
// 932 forms by best fit (wave dash U+301C, U+2016, minus U+2212, U+00A2, U+00A3,
// U+00AC, U+2014) go to those forms on every system; others the code page lacks
// are the system's (mostly "?").
// Logs "WideCharToMultiByte Error = " with the error code when the conversion fails.
std::string WideToAnsi(const std::wstring& text);
// The same, appended to out (nothing appended on a failure); for long runs
// of lines that reuse one buffer.
void AppendAnsi(const std::wstring& text, std::string& out);
void AppendUtf8(const std::wstring& text, std::string& out);
// A run of UTF-16 units in UTF-8 or the ANSI code page into out, which has
// room for three bytes a unit: the bytes written, 0 when the conversion
// failed (nothing logged). One call for a block of many lines.
std::size_t EncodeUnits(const wchar_t* text, std::size_t size, bool utf8, char* out);
std::wstring AnsiToWide(const std::string& text);
// A path as the log and the messages show it: in the ANSI code page, with "?"
// for each character it lacks, never a look-alike (best fit would show "é" as
// "e", naming another file). Never hand this form to the file system.
std::string ShownPath(const std::wstring& path);
// True when the text comes back from the ANSI code page exactly as it went in.
bool FitsAnsi(const std::wstring& text);
std::string WideToUtf8(const std::wstring& text);
// UTF-8 bytes (zero bytes included) to UTF-16; invalid sequences become U+FFFD.
std::wstring Utf8ToWide(const char* text, std::size_t size);
inline std::wstring Utf8ToWide(const std::string& text) { return Utf8ToWide(text.data(), text.size()); }
