// Kometori: the window program's entry.
#include <windows.h>

#include "settings/settings.h"
#include "window/info_window.h"
#include "resources/resource.h"
#include "support/com.h"

namespace {

// Stands in for the main window until it exists: it receives the info
// window's close command, and closing the info window ends the program.
LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDM_INFO_WINDOW) {
        ::ShowWindow(InfoLog.Window(), SW_HIDE);
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateStandInMainWindow(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = instance;
    wc.lpszClassName = "KometoriStandIn";
    ::RegisterClassExA(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    AppContext& app = App();
    app.settings.LoadSite();
    ComInit com;

    // The log exists, hidden, from here to the end of the program.
    CBaseDebug logPage("ログ");

    // The main window (class CKometori, dialog template 102) takes this place.
    HWND mainWindow = CreateStandInMainWindow(instance);
    CBaseDebug::SetCommandTarget(mainWindow);
    ::ShowWindow(InfoLog.Window(), SW_SHOW);

    InfoLog << app.programName << " " << app.versionText << EndLine;
    InfoLog << "MainHost = " << app.settings.site.MainHost << EndLine;
    InfoLog << "SecureHost = " << app.settings.site.SecureHost << EndLine;
    InfoLog << "AuthorSite = " << app.settings.site.AuthorSite << EndLine;

    MSG message{};
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }

    CBaseDebug::SetCommandTarget(nullptr);
    if (mainWindow) ::DestroyWindow(mainWindow);
    return static_cast<int>(message.wParam);
}
