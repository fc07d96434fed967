#include "window/shell_open.h"

#include <shellapi.h>

namespace {

std::function<void(const std::string&)>& Opener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

}  // namespace

void OpenWithShell(HWND owner, const std::string& target, const char* verb) {
    if (Opener()) {
        Opener()(target);
        return;
    }
    ::ShellExecuteA(owner, verb, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void SetShellOpener(std::function<void(const std::string&)> opener) { Opener() = std::move(opener); }
