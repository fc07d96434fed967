#include "support/com.h"

#include "support/codepage.h"
#include "support/handles.h"

namespace {

std::string TrimLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string SystemMessage(DWORD flags, HMODULE module, DWORD code) {
    char* buffer = nullptr;
    DWORD n = ::FormatMessageA(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, module, code, 0,
                               reinterpret_cast<char*>(&buffer), 0, nullptr);
    const LocalMemory owner(buffer);
    std::string text = n ? std::string(buffer, n) : std::string();
    return TrimLineEnd(text);
}

}  // namespace

std::string ComError::Message() const {
    // WinINet's codes (12000 to 12999) have their texts in wininet.dll only.
    DWORD code = static_cast<DWORD>(hr_);
    if (HRESULT_FACILITY(hr_) == FACILITY_WIN32) {
        DWORD win32 = HRESULT_CODE(hr_);
        if (win32 >= 12000 && win32 < 13000) {
            std::string text = SystemMessage(FORMAT_MESSAGE_FROM_HMODULE, ::GetModuleHandleA("wininet.dll"), win32);
            if (!text.empty()) return text;
        }
    }
    return SystemMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
}

void ThrowIfFailed(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    std::string description;
    std::string source;
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) == S_OK && info) {
        Bstr text;
        if (SUCCEEDED(info->GetDescription(text.put()))) description = WideToAnsi(text.str());
        Bstr from;
        if (SUCCEEDED(info->GetSource(from.put()))) source = WideToAnsi(from.str());
    }
    throw ComError(hr, description, source);
}
