// Text operations on narrow texts in the ANSI code page (932) and their UTF-16
// twins. A narrow character is one or two bytes, and the second byte of a
// double-byte one may equal "\", "|", "[" or a letter (ソ is 0x83 0x5C):
// every narrow search, cut and case change here works on whole characters.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The start of the character after the one starting at pos; a lead byte at the
// very end counts as a character of its own.
std::size_t NextCharacter(const std::string& text, std::size_t pos);
// The first occurrence of search at or after from that starts a character;
// npos when none. from must start a character itself.
std::size_t FindText(const std::string& text, const std::string& search, std::size_t from = 0);
inline bool ContainsText(const std::string& text, const std::string& search) {
    return FindText(text, search) != std::string::npos;
}
std::size_t CharacterCount(const std::string& text);
// The text without its last count characters (a surrogate pair is one);
// empty when it has no more.
std::wstring DropLastCharacters(const std::wstring& text, std::size_t count);

// Replaces every occurrence; the replacement's own output is not searched again.
// The search text must not be empty.
std::string& ReplaceAll(std::string& text, const std::string& search, const std::string& replacement);
std::wstring& ReplaceAllWide(std::wstring& text, const std::wstring& search, const std::wstring& replacement);

// The text between the first start marker and the first end marker after it;
// an empty marker means the start or the end of the text.
std::string Between(const std::string& text, const std::string& start, const std::string& end);
std::wstring BetweenWide(const std::wstring& text, const std::wstring& start, const std::wstring& end);

// The non-empty parts between any of the delimiters (single-byte characters).
std::vector<std::string> Split(const std::string& text, const std::string& delimiters);

// ASCII letters only; double-byte characters stay as they are.
std::string ToLower(const std::string& text);
std::wstring ToLower(const std::wstring& text);

// The extension of the path's last component, dot included; empty without one.
std::wstring FileExtension(const std::wstring& path);
// The folder part of a path, without its last "\" or "/" unless that ends a
// root ("C:\", "\"); "." for a bare name.
std::wstring FolderOfWide(const std::wstring& path);

// The UTF-16 units of the longest path the system takes, its zero included.
constexpr std::size_t kLongestPath = 32768;

// The integer at the text's start as the C library reads it (spaces, a sign,
// digits), 0 when there is none; numbers beyond the int range stop at its ends.
int LeadingNumber(const std::string& text);

// The number in decimal, filled on the left to the width; wider numbers stay whole.
std::string PadNumber(long long number, int width, char fill);
// As PadNumber for a wide text holding an integer; throws boost::bad_lexical_cast otherwise.
std::wstring PadNumberText(const std::wstring& number, int width, wchar_t fill);

// The current local date and time, read from the clock once: month 1 to 12.
struct DateTimeParts {
    int year, month, day, hour, minute, second;
};
DateTimeParts CurrentDateTime();

// Single parts of the current local time, each read anew.
int CurrentYear();
int CurrentMonth();
int CurrentDay();
int CurrentHour();
int CurrentMinute();
int CurrentSecond();
