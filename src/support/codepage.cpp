#include "support/codepage.h"

#include <windows.h>

#include <climits>
#include <vector>

#include "infolog/info_log.h"

namespace {

// Characters code page 932 holds under another code point: Japanese Windows
// reaches them only by its best fit, Wine not at all ("?"). Taken to the code
// point the code page maps, so every system writes the same bytes.
wchar_t CodePageForm(wchar_t c) {
    switch (c) {
        case L'\x301C': return L'\xFF5E';  // wave dash: 0x8160
        case L'\x2016': return L'\x2225';  // double vertical line: 0x8161
        case L'\x2212': return L'\xFF0D';  // minus: 0x817C
        case L'\x00A2': return L'\xFFE0';  // cent: 0x8191
        case L'\x00A3': return L'\xFFE1';  // pound: 0x8192
        case L'\x00AC': return L'\xFFE2';  // not: 0x81CA
        case L'\x2014': return L'\x2015';  // em dash: 0x815C
        default: return c;
    }
}

// The text to hand to the conversion into the ANSI code page: text itself, or
// copy with the forms above when it holds any of them (and the code page is 932).
const wchar_t* WithCodePageForms(const wchar_t* text, std::size_t size, std::wstring& copy) {
    std::size_t i = 0;
    while (i < size && CodePageForm(text[i]) == text[i]) ++i;
    if (i == size || ::GetACP() != 932) return text;
    copy.assign(text, size);
    for (; i < size; ++i) copy[i] = CodePageForm(copy[i]);
    return copy.data();
}

// Appends the conversion to out; false when it failed (nothing appended).
bool AppendConverted(UINT codePage, const std::wstring& text, std::string& out) {
    if (text.empty()) return true;
    // At most three bytes a UTF-16 unit in either code page: one call does.
    const int length = static_cast<int>(text.size());
    const std::size_t at = out.size();
    out.resize(at + text.size() * 3);
    std::wstring copy;
    const wchar_t* units = codePage == CP_ACP ? WithCodePageForms(text.data(), text.size(), copy) : text.data();
    const int written = ::WideCharToMultiByte(codePage, 0, units, length, &out[at], length * 3, nullptr, nullptr);
    out.resize(at + static_cast<std::size_t>(written > 0 ? written : 0));
    return written > 0;
}

void LogFailure() {
    InfoLog << "WideCharToMultiByte Error = " << static_cast<unsigned long>(::GetLastError()) << EndLine;
}

}  // namespace

std::size_t EncodeUnits(const wchar_t* text, std::size_t size, bool utf8, char* out) {
    if (size == 0 || size > INT_MAX / 3) return 0;
    const int length = static_cast<int>(size);
    std::wstring copy;
    if (!utf8) text = WithCodePageForms(text, size, copy);
    const int written =
        ::WideCharToMultiByte(utf8 ? CP_UTF8 : CP_ACP, 0, text, length, out, length * 3, nullptr, nullptr);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

void AppendAnsi(const std::wstring& text, std::string& out) {
    if (!AppendConverted(CP_ACP, text, out)) LogFailure();
}

void AppendUtf8(const std::wstring& text, std::string& out) { AppendConverted(CP_UTF8, text, out); }

std::string WideToAnsi(const std::wstring& text) {
    std::string out;
    AppendAnsi(text, out);
    return out;
}

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    AppendUtf8(text, out);
    return out;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> buffer(size, L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer.data(), size) == 0) return std::wstring();
    return std::wstring(buffer.data());
}

namespace {
// The text in the ANSI code page without best fit; lacking tells whether a
// character had no form there (and became "?").
std::string AnsiWithoutBestFit(const std::wstring& text, bool& lacking) {
    lacking = false;
    if (text.empty()) return std::string();
    // UTF-8 as the ANSI code page (a Windows option) takes neither the flag nor a default character.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const int length = static_cast<int>(text.size());
    std::string out(text.size() * 3, '\0');
    BOOL defaulted = FALSE;
    const int written = ::WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text.data(), length, &out[0],
                                              length * 3, utf8 ? nullptr : "?", utf8 ? nullptr : &defaulted);
    out.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    lacking = written <= 0 || defaulted;
    return out;
}
}  // namespace

std::string ShownPath(const std::wstring& path) {
    bool lacking;
    return AnsiWithoutBestFit(path, lacking);
}

bool FitsAnsi(const std::wstring& text) {
    bool lacking;
    const std::string narrow = AnsiWithoutBestFit(text, lacking);
    return !lacking && AnsiToWide(narrow) == text;
}

std::wstring Utf8ToWide(const char* text, std::size_t size) {
    if (size == 0) return std::wstring();
    // UTF-8 never takes fewer bytes than UTF-16 takes code units: one call does.
    std::wstring out(size, L'\0');
    int length = ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(size), out.data(), static_cast<int>(size));
    out.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return out;
}
