#include "export/codepage.h"

#include <windows.h>

#include <vector>

#include "infowindow/info_log.h"

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
