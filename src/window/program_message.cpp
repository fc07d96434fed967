#include "window/program_message.h"

#include "settings/settings.h"

int ShowProgramMessage(HWND owner, const std::string& text, UINT buttons) {
    return ::MessageBoxA(owner, text.c_str(), App().programName.c_str(), buttons | MB_TOPMOST | MB_SETFOREGROUND);
}
