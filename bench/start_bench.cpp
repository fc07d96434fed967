// Times a window program's start as its user sees it: starts the program
// given, in the current folder, and waits until a captioned window of it is
// visible with every part of it painted and the program waits for input.
// Then waits until its working set has settled (the program idle, whatever
// it started in the background done) and ends it. Prints
//     visible_s=SECONDS working_set_mb=MB
// With --visible it ends the program as soon as its window is painted, and
// prints the seconds alone (for timing the whole run from outside).
//
//     kometori-start-bench [--visible] PROGRAM [ARGUMENT...]
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "support/handles.h"

namespace {

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindShown(HWND window, LPARAM lParam) {
    Search& search = *reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search.process || !::IsWindowVisible(window)) return TRUE;
    if ((::GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION) return TRUE;
    search.found = window;
    return FALSE;
}

BOOL CALLBACK FindUnpainted(HWND child, LPARAM lParam) {
    if (!::IsWindowVisible(child) || !::GetUpdateRect(child, nullptr, FALSE)) return TRUE;
    *reinterpret_cast<bool*>(lParam) = true;
    return FALSE;
}

// A visible captioned window of the process whose window and controls have
// nothing left to paint.
bool Painted(DWORD process) {
    Search search{process, nullptr};
    ::EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
    if (!search.found || ::GetUpdateRect(search.found, nullptr, FALSE)) return false;
    bool unpainted = false;
    ::EnumChildWindows(search.found, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

SIZE_T WorkingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return ::GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    const bool visibleOnly = argc > 1 && std::wstring(argv[1]) == L"--visible";
    if (visibleOnly) ++first;
    if (first >= argc) {
        std::fprintf(stderr, "usage: kometori-start-bench [--visible] PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    std::wstring command;
    for (int i = first; i < argc; ++i) command += (i > first ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    // The watch's own window machinery (under Wine the display driver) is
    // started before the clock.
    Painted(0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const double start = Now();
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        std::fprintf(stderr, "cannot start the program (error %lu)\n", ::GetLastError());
        return 1;
    }
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);

    // Asleep until the program first waits for input, so that the watch
    // takes no processor from it; then the window is looked for.
    ::WaitForInputIdle(process.get(), 60000);
    double visible = 0;
    while (Now() - start < 60) {
        if (::WaitForInputIdle(process.get(), 0) == 0 && Painted(started.dwProcessId)) {
            visible = Now() - start;
            break;
        }
        if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
    }
    if (visible == 0) {
        std::fprintf(stderr, "no window came\n");
        ::TerminateProcess(process.get(), 1);
        return 1;
    }
    if (visibleOnly) {
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 10000);
        std::printf("visible_s=%.3f\n", visible);
        return 0;
    }

    // Idle: the working set moved by less than 64 KB over a second (ten
    // seconds at most).
    SIZE_T settled = WorkingSet(process.get());
    for (int same = 0, i = 0; same < 10 && i < 100; ++i) {
        ::Sleep(100);
        const SIZE_T now = WorkingSet(process.get());
        same = (now > settled ? now - settled : settled - now) < 64 * 1024 ? same + 1 : 0;
        settled = now;
    }
    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 10000);
    std::printf("visible_s=%.3f working_set_mb=%.1f\n", visible, static_cast<double>(settled) / 1048576);
    return 0;
}
