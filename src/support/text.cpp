#include "support/text.h"

#include <windows.h>

#include <boost/lexical_cast.hpp>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <iomanip>

namespace {

// The library's find calls into the C runtime for every candidate; a plain
// loop is quicker on the short texts replaced here, line after line.
template <typename S>
typename S::size_type FindFrom(const S& text, const S& search, typename S::size_type pos) {
    const auto n = text.size(), m = search.size();
    const auto* t = text.data();
    const auto* s = search.data();
    for (auto i = pos; i + m <= n; ++i) {
        if (t[i] != s[0]) continue;
        typename S::size_type k = 1;
        while (k < m && t[i + k] == s[k]) ++k;
        if (k == m) return i;
    }
    return S::npos;
}

template <typename S>
S& ReplaceAllIn(S& text, const S& search, const S& replacement) {
    if (search.empty()) return text;  // undefined for callers; do nothing rather than loop
    typename S::size_type pos = 0;
    while ((pos = FindFrom(text, search, pos)) != S::npos) {
        text.replace(pos, search.size(), replacement);
        pos += replacement.size();
    }
    return text;
}

template <typename S>
S BetweenIn(const S& text, const S& start, const S& end) {
    if (start.empty() && end.empty()) return text;
    if (start.empty()) {
        auto e = text.find(end);
        return e == S::npos ? S() : text.substr(0, e);
    }
    auto s = text.find(start);
    if (s == S::npos) return S();
    s += start.size();
    if (end.empty()) return text.substr(s);
    auto e = text.find(end, s);
    return e == S::npos ? S() : text.substr(s, e - s);
}

}  // namespace

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
    std::string::size_type from = 0;
    while (from <= text.size()) {
        auto at = text.find_first_of(delimiters, from);
        if (at == std::string::npos) {
            if (from < text.size()) parts.push_back(text.substr(from));
            break;
        }
        if (at > from) parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    return parts;
}

std::string ToLower(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string FileExtension(const std::string& path) {
    char ext[_MAX_EXT] = {};
    if (_splitpath_s(path.c_str(), nullptr, 0, nullptr, 0, nullptr, 0, ext, sizeof ext) != 0) return std::string();
    return ext;
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

int CurrentYear() { return Now().wYear; }
int CurrentMonth() { return Now().wMonth; }
int CurrentDay() { return Now().wDay; }
int CurrentHour() { return Now().wHour; }
int CurrentMinute() { return Now().wMinute; }
int CurrentSecond() { return Now().wSecond; }
