// Drives a running Kometori.exe for the screenshots (tests/tools/screenshots.sh):
//   shot_driver main    waits until the main window is shown and idle
//   shot_driver fetch   starts a fetch and waits for the message box that ends it
//   shot_driver finish  answers the box and ends the program through its menu
// Exit status 0 when the step's condition came within a minute.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

const int kFetchButton = 1033;
const int kExitCommand = 40001;

HWND MainWindow() { return ::FindWindowA("CKometori", nullptr); }

HWND MessageBoxOf(HWND owner) {
    HWND box = ::FindWindowA("#32770", "Kometori");
    return box && ::GetWindow(box, GW_OWNER) == owner ? box : nullptr;
}

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 300; ++i) {
        if (condition()) return true;
        ::Sleep(100);
    }
    return false;
}

std::string Text(HWND window) {
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const char* step = argc > 1 ? argv[1] : "";
    // The program runs in the virtual desktop "Kometori", which its start makes.
    HDESK desktop = nullptr;
    WaitFor([&desktop] { return (desktop = ::OpenDesktopA("Kometori", 0, FALSE, GENERIC_ALL)) != nullptr; });
    if (!desktop || !::SetThreadDesktop(desktop)) {
        std::fprintf(stderr, "no desktop \"Kometori\"\n");
        return 1;
    }
    if (std::strcmp(step, "main") == 0) {
        if (WaitFor([] {
                HWND main = MainWindow();
                return main && ::IsWindowVisible(main) && Text(main) == "Kometori";
            })) {
            return 0;
        }
        HWND main = MainWindow();
        std::fprintf(stderr, "main window %p, visible %d, title \"%s\"\n", static_cast<void*>(main),
                     main ? ::IsWindowVisible(main) : 0, main ? Text(main).c_str() : "");
        return 1;
    }
    HWND main = MainWindow();
    if (!main) return 1;
    if (std::strcmp(step, "fetch") == 0) {
        ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kFetchButton, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(main, kFetchButton)));
        return WaitFor([main] { return MessageBoxOf(main) != nullptr; }) ? 0 : 1;
    }
    if (std::strcmp(step, "finish") == 0) {
        if (HWND box = MessageBoxOf(main)) ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitFor([main] { return ::IsWindowEnabled(main) != FALSE; });
        ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kExitCommand, 0), 0);
        return WaitFor([] { return MainWindow() == nullptr || !::IsWindowVisible(MainWindow()); }) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: shot_driver main|fetch|finish\n");
    return 2;
}
