// Drives a running Kometori.exe for the screenshots (tests/tools/screenshots.sh)
// and the release test (tests/tools/release.sh):
//   shot_driver [--desktop=NAME] main    waits until the main window is shown and idle
//   shot_driver [--desktop=NAME] fetch   starts a fetch and waits for the message box that ends it
//   shot_driver [--desktop=NAME] finish  answers the box and ends the program through its menu
//   shot_driver [--desktop=NAME] close   waits for the idle main window and closes it (WM_CLOSE)
//   shot_driver [--desktop=NAME] viewer  waits until the comment viewer has read its file, types "神回"
//                                        into its search box and clicks its graph at the climax (18:30
//                                        of 24:00)
//   shot_driver [--desktop=NAME] fold    unchecks "過去ログ" (checked at start), prints the screen's
//                                        dots per inch and what the windows measure, closes the
//                                        program; fails unless the folded window ends between the
//                                        fetch button and the past-log frame
// --desktop names the Wine virtual desktop the program runs in.
// Exit status 0 when the step's condition came within a minute.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

const int kFetchButton = 1033;
const int kPastLogBox = 1040;
const int kPastLogFrame = 1028;
const int kTabStrip = 16;
const int kExitCommand = 40001;
const int kViewerSearch = 1201;
const int kViewerGraph = 1204;

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

std::wstring WideText(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

int ShowViewer() {
    HWND viewer = nullptr;
    if (!WaitFor([&] {
            viewer = ::FindWindowA("CKometoriViewer", nullptr);
            const std::wstring title = viewer ? WideText(viewer) : L"";
            return title.find(L".xml") != std::wstring::npos && title.find(L'%') == std::wstring::npos;
        })) {
        std::fprintf(stderr, "no viewer with its file read\n");
        return 1;
    }
    ::SendMessageW(::GetDlgItem(viewer, kViewerSearch), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"神回"));
    HWND graph = ::GetDlgItem(viewer, kViewerGraph);
    RECT area{};
    ::GetClientRect(graph, &area);
    ::Sleep(500);  // the search's rows
    ::PostMessageW(graph, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.right * 1110 / 1440, area.bottom / 2));
    return 0;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

bool CloseMainWindow() {
    ::PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    return WaitFor([] { return MainWindow() == nullptr; });
}

// The past-log fold and the info window's size, in the screen's pixels.
int MeasureFold() {
    if (!WaitForIdleMainWindow()) return 1;
    HWND main = MainWindow();
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    const RECT frame = ScreenRect(::GetDlgItem(main, kPastLogFrame));
    const RECT button = ScreenRect(::GetDlgItem(main, kFetchButton));
    const int full = ScreenRect(main).bottom - ScreenRect(main).top;
    ::SendMessageA(::GetDlgItem(main, kPastLogBox), BM_CLICK, 0, 0);
    WaitFor([&] { return ScreenRect(main).bottom - ScreenRect(main).top != full; });
    RECT client{};
    ::GetClientRect(main, &client);
    ::MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    HWND info = ::FindWindowA("CBaseDebug", nullptr);
    const RECT infoRect = ScreenRect(info);
    const RECT tabs = ScreenRect(::GetDlgItem(info, kTabStrip));
    std::printf(
        "dpi=%d client_width=%ld fold=%ld folded_bottom=%ld frame_top=%ld button_bottom=%ld "
        "info=%ldx%ld tabs_height=%ld\n",
        dpi, client.right - client.left, full - (ScreenRect(main).bottom - ScreenRect(main).top), client.bottom,
        frame.top, button.bottom, infoRect.right - infoRect.left, infoRect.bottom - infoRect.top,
        tabs.bottom - tabs.top);
    const bool folded = client.bottom <= frame.top && client.bottom >= button.bottom;
    return CloseMainWindow() && folded ? 0 : 1;
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
    if (std::strcmp(step, "viewer") == 0) return ShowViewer();
    if (std::strcmp(step, "close") == 0) return WaitForIdleMainWindow() && CloseMainWindow() ? 0 : 1;
    if (std::strcmp(step, "fold") == 0) {
        // The screen's own pixels, not the ones Windows scales for an unaware program.
        ::SetProcessDPIAware();
        return MeasureFold();
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
    std::fprintf(stderr, "usage: shot_driver [--desktop=NAME] main|fetch|finish|close|fold|viewer\n");
    return 2;
}
