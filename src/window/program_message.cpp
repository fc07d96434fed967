#include "window/program_message.h"

#include "settings/settings.h"
#include "support/codepage.h"

int ShowProgramMessage(HWND owner, const std::string& text, UINT buttons) {
    return ::MessageBoxA(owner, text.c_str(), App().programName.c_str(), buttons | MB_TOPMOST | MB_SETFOREGROUND);
}

int ShowProgramMessage(HWND owner, const std::wstring& text, UINT buttons) {
    return ::MessageBoxW(owner, text.c_str(), AnsiToWide(App().programName).c_str(),
                         buttons | MB_TOPMOST | MB_SETFOREGROUND);
}
