#include "window/shell_open.h"

#include <shellapi.h>

#include "support/codepage.h"
#include "support/com.h"

namespace {

std::function<void(const std::wstring&)>& Opener() {
    static std::function<void(const std::wstring&)> opener;
    return opener;
}

}  // namespace

void OpenWithShell(HWND owner, const std::wstring& target, const wchar_t* verb) {
    if (Opener()) {
        Opener()(target);
        return;
    }
    const ComInit com;  // the shell may hand the target to an extension of its own
    ::ShellExecuteW(owner, verb, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OpenWithShell(HWND owner, const std::string& address) { OpenWithShell(owner, AnsiToWide(address)); }

void SetShellOpener(std::function<void(const std::wstring&)> opener) { Opener() = std::move(opener); }
