#include "support/text.h"

#include <windows.h>

#include <boost/lexical_cast.hpp>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <iomanip>

namespace {

bool IsLeadByte(char c) {
    // The code page does not change while the process runs: ask once per byte value.
    static const std::array<bool, 256> lead = [] {
        std::array<bool, 256> table{};
        for (int b = 0; b < 256; ++b) table[b] = ::IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        return table;
    }();
    return lead[static_cast<unsigned char>(c)];
}

// The library's find calls into the C runtime for every candidate; a plain
// loop is quicker on the short lines the text export replaces in.
std::wstring::size_type FindIn(const std::wstring& text, const std::wstring& search, std::wstring::size_type from) {
    const std::size_t n = text.size(), m = search.size();
    for (std::size_t i = from; i + m <= n; ++i) {
        if (text[i] != search[0]) continue;
        std::size_t k = 1;
        while (k < m && text[i + k] == search[k]) ++k;
        if (k == m) return i;
    }
    return std::wstring::npos;
}

std::string::size_type FindIn(const std::string& text, const std::string& search, std::string::size_type from) {
    return FindText(text, search, from);
}

template <typename S>
S& ReplaceAllIn(S& text, const S& search, const S& replacement) {
    if (search.empty()) return text;  // undefined for callers; do nothing rather than loop
    typename S::size_type pos = 0;
    while ((pos = FindIn(text, search, pos)) != S::npos) {
        text.replace(pos, search.size(), replacement);
        pos += replacement.size();
    }
    return text;
}

template <typename S>
S BetweenIn(const S& text, const S& start, const S& end) {
    if (start.empty() && end.empty()) return text;
    if (start.empty()) {
        auto e = FindIn(text, end, 0);
        return e == S::npos ? S() : text.substr(0, e);
    }
    auto s = FindIn(text, start, 0);
    if (s == S::npos) return S();
    s += start.size();
    if (end.empty()) return text.substr(s);
    auto e = FindIn(text, end, s);
    return e == S::npos ? S() : text.substr(s, e - s);
}

}  // namespace

std::size_t NextCharacter(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) return pos + 1;
    return IsLeadByte(text[pos]) && pos + 1 < text.size() ? pos + 2 : pos + 1;
}

std::size_t FindText(const std::string& text, const std::string& search, std::size_t from) {
    std::size_t start = from;  // a character start; never far behind the hits
    for (std::size_t at = text.find(search, from); at != std::string::npos; at = text.find(search, at + 1)) {
        while (start < at) start = NextCharacter(text, start);
        if (start == at) return at;
    }
    return std::string::npos;
}

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at = NextCharacter(text, at)) ++count;
    return count;
}

std::wstring DropLastCharacters(const std::wstring& text, std::size_t count) {
    std::size_t end = text.size();
    for (; count > 0 && end > 0; --count) {
        --end;
        if (end > 0 && IS_LOW_SURROGATE(text[end]) && IS_HIGH_SURROGATE(text[end - 1])) --end;
    }
    return count > 0 ? std::wstring() : text.substr(0, end);
}

std::string& ReplaceAll(std::string& text, const std::string& search, const std::string& replacement) {
    return ReplaceAllIn(text, search, replacement);
}

std::wstring& ReplaceAllWide(std::wstring& text, const std::wstring& search, const std::wstring& replacement) {
    return ReplaceAllIn(text, search, replacement);
}

std::string Between(const std::string& text, const std::string& start, const std::string& end) {
    return BetweenIn(text, start, end);
}

std::wstring BetweenWide(const std::wstring& text, const std::wstring& start, const std::wstring& end) {
    return BetweenIn(text, start, end);
}

std::vector<std::string> Split(const std::string& text, const std::string& delimiters) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t next = NextCharacter(text, at);
        if (next == at + 1 && delimiters.find(text[at]) != std::string::npos) {
            if (at > from) parts.push_back(text.substr(from, at - from));
            from = next;
        }
        at = next;
    }
    if (from < text.size()) parts.push_back(text.substr(from));
    return parts;
}

std::string ToLower(const std::string& text) {
    std::string out = text;
    for (std::size_t at = 0; at < out.size(); at = NextCharacter(out, at)) {
        char& c = out[at];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::wstring ToLower(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return out;
}

std::wstring FileExtension(const std::wstring& path) {
    // No UTF-16 unit of another character equals "." or a separator.
    const std::size_t dot = path.find_last_of(L"./\\");
    return dot == std::wstring::npos || path[dot] != L'.' ? std::wstring() : path.substr(dot);
}

std::wstring FolderOfWide(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    // The separator of a root stays: "C:\" and "\" are folders, "C:" and "" are not.
    const bool root = slash == 0 || (slash == 2 && path[1] == L':');
    return path.substr(0, root ? slash + 1 : slash);
}

int LeadingNumber(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);  // saturates at its own ends
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::string PadNumber(long long number, int width, char fill) {
    std::ostringstream out;
    out << std::setfill(fill) << std::setw(width) << number;
    return out.str();
}

std::wstring PadNumberText(const std::wstring& number, int width, wchar_t fill) {
    // No stream and no printf: the text export pads several fields of every comment.
    const int value = boost::lexical_cast<int>(number);
    wchar_t digits[16];
    wchar_t* at = std::end(digits);
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        *--at = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--at = L'-';
    std::wstring out(at, std::end(digits));
    if (static_cast<int>(out.size()) < width) out.insert(0, width - out.size(), fill);
    return out;
}

namespace {
SYSTEMTIME Now() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return t;
}
}  // namespace

DateTimeParts CurrentDateTime() {
    const SYSTEMTIME t = Now();
    return DateTimeParts{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

int CurrentYear() { return Now().wYear; }
int CurrentMonth() { return Now().wMonth; }
int CurrentDay() { return Now().wDay; }
int CurrentHour() { return Now().wHour; }
int CurrentMinute() { return Now().wMinute; }
int CurrentSecond() { return Now().wSecond; }
