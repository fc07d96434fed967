// Drives a running Kometori.exe for the screenshots (tests/tools/screenshots.sh)
// and the release test (tests/tools/release.sh):
//   shot_driver [--desktop=NAME] main    waits until the main window is shown and idle
//   shot_driver [--desktop=NAME] fetch   starts a fetch and waits for the message box that ends it
//   shot_driver [--desktop=NAME] finish  answers the box and ends the program through its menu
//   shot_driver [--desktop=NAME] close   waits for the idle main window and closes it (WM_CLOSE)
// --desktop names the Wine virtual desktop the program runs in.
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

bool WaitForIdleMainWindow() {
    if (WaitFor([] {
            HWND main = MainWindow();
            return main && ::IsWindowVisible(main) && Text(main) == "Kometori";
        })) {
        return true;
    }
    HWND main = MainWindow();
    std::fprintf(stderr, "main window %p, visible %d, title \"%s\"\n", static_cast<void*>(main),
                 main ? ::IsWindowVisible(main) : 0, main ? Text(main).c_str() : "");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const char kDesktopOption[] = "--desktop=";
    int next = 1;
    if (next < argc && std::strncmp(argv[next], kDesktopOption, sizeof kDesktopOption - 1) == 0) {
        // The program's start makes the virtual desktop.
        const char* name = argv[next++] + sizeof kDesktopOption - 1;
        HDESK desktop = nullptr;
        WaitFor([&] { return (desktop = ::OpenDesktopA(name, 0, FALSE, GENERIC_ALL)) != nullptr; });
        if (!desktop || !::SetThreadDesktop(desktop)) {
            std::fprintf(stderr, "no desktop \"%s\"\n", name);
            return 1;
        }
    }
    const char* step = next < argc ? argv[next] : "";
    if (std::strcmp(step, "main") == 0) return WaitForIdleMainWindow() ? 0 : 1;
    if (std::strcmp(step, "close") == 0) {
        if (!WaitForIdleMainWindow()) return 1;
        ::PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
        return WaitFor([] { return MainWindow() == nullptr; }) ? 0 : 1;
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
    std::fprintf(stderr, "usage: shot_driver [--desktop=NAME] main|fetch|finish|close\n");
    return 2;
}
