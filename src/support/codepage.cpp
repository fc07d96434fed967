#include "support/codepage.h"

#include <windows.h>

#include <vector>

#include "infolog/info_log.h"

namespace {

// Returns false when the conversion itself failed (not for an empty result).
bool WideTo(UINT codePage, const std::wstring& text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    int size = ::WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size == 0) return true;
    std::vector<char> buffer(size, '\0');
    if (::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), buffer.data(), size,
                              nullptr, nullptr) == 0) {
        return false;
    }
    out.assign(buffer.data());
    return true;
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
    std::string out;
    if (!WideTo(CP_ACP, text, out)) {
        InfoLog << "WideCharToMultiByte Error = " << static_cast<unsigned long>(::GetLastError()) << EndLine;
    }
    return out;
}

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    WideTo(CP_UTF8, text, out);
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

std::wstring Utf8ToWide(const char* text, std::size_t size) {
    if (size == 0) return std::wstring();
    // UTF-8 never takes fewer bytes than UTF-16 takes code units: one call does.
    std::wstring out(size, L'\0');
    int length = ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(size), out.data(), static_cast<int>(size));
    out.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return out;
}
