// The rule file's text as an editor holds it and back: UTF-16 with CR LF line
// ends in the editor, UTF-8 with CR LF in the file. Window-free, so that the
// round trip is fuzzed natively (UTF-16 units in wchar_t of any width).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The file's bytes as the editor's text: a byte-order mark dropped (noted in
// byteOrderMark), every line end as CR LF. False when the bytes are not UTF-8.
bool RuleFileToEditText(std::string_view file, std::wstring& text, bool& byteOrderMark);

// Every LF, with any CRs just before it, as CR LF. A lone CR stays: the rule
// file's lines end at LF only, and the rules drop CRs at a line's ends.
std::wstring WithCrLf(std::wstring_view text);

// The editor's text as the file's bytes: UTF-8, line ends as WithCrLf makes
// them, a byte-order mark first when asked. A lone surrogate becomes U+FFFD.
std::string EditTextToRuleFile(std::wstring_view text, bool byteOrderMark);

// Line `number` (from 1, as the rules count lines) of a CR LF text: where it
// starts and its length without the line end, in UTF-16 units. A number past
// the last line gives the text's end.
struct TextSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};
TextSpan LineSpan(std::wstring_view text, std::size_t number);
