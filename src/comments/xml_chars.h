// Characters as a comment file holds them, in UTF-8: the encoder, the check
// that lets through only well-formed UTF-8 without the control characters XML
// forbids, and XML names. No platform calls: the reader's core and its fuzz
// targets build anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Appends the code point (at most U+10FFFF) in UTF-8.
void AppendUtf8Code(std::uint32_t code, std::string& out);

// Appends UTF-8 that CheckUtf8 accepts (what the reader hands out) as UTF-16
// units, a character above U+FFFF as a surrogate pair. A byte that starts no
// whole character becomes U+FFFD; nothing is read past the end.
void AppendUtf16Units(std::string_view utf8, std::wstring& out);

// A control character XML does not allow in a document (everything below
// U+0020 but tab, line feed and carriage return).
inline bool IsForbiddenControl(std::uint32_t code) {
    return code < 0x20 && code != '\t' && code != '\n' && code != '\r';
}

enum class TextFault { None, NotUtf8, Control };

// Checks UTF-8 text from its start: returns how many leading bytes hold whole,
// allowed characters. When that is less than size, either fault says what is
// wrong with the character at the returned offset, or (fault None) the text
// ends inside a character that the next bytes may complete.
std::size_t CheckUtf8(const char* text, std::size_t size, TextFault& fault);

// An XML name (XML 1.0, fifth edition) in well-formed UTF-8.
bool IsXmlName(const char* name, std::size_t size);
