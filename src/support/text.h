// Byte-wise text operations on narrow (code page 932) texts and their UTF-16
// twins. Searches compare bytes: a one-byte search text can match the second
// byte of a double-byte character.
#pragma once

#include <string>
#include <vector>

// Replaces every occurrence; the replacement's own output is not searched again.
// The search text must not be empty.
std::string& ReplaceAll(std::string& text, const std::string& search, const std::string& replacement);
std::wstring& ReplaceAllWide(std::wstring& text, const std::wstring& search, const std::wstring& replacement);

// The bytes between the first start marker and the first end marker after it;
// an empty marker means the start or the end of the text.
std::string Between(const std::string& text, const std::string& start, const std::string& end);
std::wstring BetweenWide(const std::wstring& text, const std::wstring& start, const std::wstring& end);

// The non-empty parts between any of the delimiter characters.
std::vector<std::string> Split(const std::string& text, const std::string& delimiters);

// ASCII letters only; the bytes of double-byte characters stay as they are.
std::string ToLower(const std::string& text);

// The extension of the path's last component, dot included; empty without one.
std::string FileExtension(const std::string& path);

// The number in decimal, filled on the left to the width; wider numbers stay whole.
std::string PadNumber(long long number, int width, char fill);
// As PadNumber for a wide text holding an integer; throws boost::bad_lexical_cast otherwise.
std::wstring PadNumberText(const std::wstring& number, int width, wchar_t fill);

// Parts of the current local time, read anew on each call.
int CurrentYear();
int CurrentMonth();
int CurrentDay();
int CurrentHour();
int CurrentMinute();
int CurrentSecond();
