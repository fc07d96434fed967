#include "ng/ng_rule_text.h"

#include <algorithm>
#include <cstdint>

#include "ng/ng_rules.h"
#include "comments/xml_chars.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

bool RuleFileToEditText(std::string_view file, std::wstring& text, bool& byteOrderMark) {
    byteOrderMark = file.substr(0, 3) == kByteOrderMark;
    if (byteOrderMark) file.remove_prefix(3);
    std::wstring wide;
    if (!AppendUtf16(file, wide)) return false;
    text = WithCrLf(wide);
    return true;
}

std::wstring WithCrLf(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (wchar_t c : text) {
        if (c == L'\n') {
            while (!out.empty() && out.back() == L'\r') out.pop_back();
            out += L"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string EditTextToRuleFile(std::wstring_view text, bool byteOrderMark) {
    const std::wstring lines = WithCrLf(text);
    std::string out = byteOrderMark ? kByteOrderMark : "";
    out.reserve(out.size() + lines.size() * 3);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::uint32_t code = static_cast<std::uint32_t>(lines[i]);
        if (IsHighSurrogate(code) && i + 1 < lines.size() && IsLowSurrogate(static_cast<std::uint32_t>(lines[i + 1]))) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<std::uint32_t>(lines[++i]) - 0xDC00);
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFF) {
            code = 0xFFFD;
        }
        AppendUtf8Code(code, out);
    }
    return out;
}

TextSpan LineSpan(std::wstring_view text, std::size_t number) {
    std::size_t start = 0;
    for (std::size_t line = 1; line < number; ++line) {
        const std::size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos) return TextSpan{text.size(), 0};
        start = end + 1;
    }
    std::size_t end = std::min(text.find(L'\n', start), text.size());
    if (end > start && text[end - 1] == L'\r' && end < text.size()) --end;
    return TextSpan{start, end - start};
}
