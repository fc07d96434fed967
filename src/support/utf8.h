// Well-formed UTF-8 without the platform's conversions (text that is checked
// byte by byte: the rule file, the data export's fields). Window-free.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length (1 to 4) of the well-formed sequence that starts the text; 0 when
// it starts with a byte that opens none (a stray continuation byte, an
// overlong form, a surrogate, a code point above U+10FFFF, a cut sequence).
std::size_t Utf8SequenceLength(std::string_view text);

// The text in UTF-16 code units (characters above U+FFFF as surrogate pairs),
// appended to out. False, out unchanged, when the text is not well-formed.
bool AppendUtf16(std::string_view utf8, std::wstring& out);
