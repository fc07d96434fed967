// Times the comment viewer window itself: opens the file in a viewer, as the
// menu does, and waits until its graph and list are drawn; then types a word
// into the search box and, with "正規表現" checked, a pattern, each time
// waiting for the list to show the search's rows. The yardstick, in the same
// run: the comment reader alone streaming the file, reading the attributes
// and the text the viewer keeps. Prints the seconds of each and the peak
// working set.
//
//     kometori-viewer-bench COMMENT.xml [WORD [PATTERN]]
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <functional>
#include <string>

#include "bench_clock.h"
#include "comments/comment_reader.h"
#include "resources/resource.h"
#include "support/codepage.h"
#include "window/viewer_window.h"

namespace {

std::wstring Text(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

std::wstring Counts(HWND viewer) {
    wchar_t text[256] = {};
    ::SendMessageW(::GetDlgItem(viewer, IDC_VIEWER_STATUS), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// Handles the thread's messages until the condition holds (a minute at most).
bool PumpUntil(const std::function<bool()>& condition) {
    const double end = Now() + 60;
    while (!condition()) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (Now() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return true;
}

// Sets the search box and waits for the counts to change; the seconds taken.
double TimeSearch(HWND viewer, const std::wstring& text) {
    const std::wstring before = Counts(viewer);
    const double start = Now();
    ::SetWindowTextW(::GetDlgItem(viewer, IDC_VIEWER_SEARCH), text.c_str());
    if (!PumpUntil([&] { return Counts(viewer) != before; })) return -1;
    ::UpdateWindow(viewer);
    return Now() - start;
}

// The reader alone over the file; -1 when it cannot read it.
double ReadAlone(const std::wstring& path) {
    const double start = Now();
    CommentReader reader;
    if (!reader.Open(path)) return -1;
    std::size_t bytes = 0;
    while (reader.Next()) {
        const ChatElement& chat = reader.Chat();
        std::string_view value;
        for (const char* name : {"vpos", "no", "date", "mail", "user_id"}) {
            if (chat.FindAttribute(name, value)) bytes += value.size();
        }
        bytes += chat.TextUtf8().size();
    }
    return reader.Failed() || bytes == 0 ? -1 : Now() - start;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kometori-viewer-bench COMMENT.xml [WORD [PATTERN]]\n");
        return 2;
    }
    const std::wstring word = argc > 2 ? std::wstring(argv[2]) : L"神回";
    const std::wstring pattern = argc > 3 ? std::wstring(argv[3]) : L"^(ｗ|w)+$";
    const double read = ReadAlone(argv[1]);
    const double start = Now();
    HWND viewer = OpenViewer(nullptr, argv[1]);
    if (!viewer || !PumpUntil([&] {
            return Counts(viewer).rfind(L"表示", 0) == 0 && Text(viewer).find(L'%') == std::wstring::npos;
        })) {
        std::fprintf(stderr, "the viewer did not open the file\n");
        return 1;
    }
    ::RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const double opened = Now() - start;
    const std::wstring all = Counts(viewer);

    const double searched = TimeSearch(viewer, word);
    const std::wstring found = Counts(viewer);
    ::SetWindowTextW(::GetDlgItem(viewer, IDC_VIEWER_SEARCH), L"");
    ::SendMessageW(::GetDlgItem(viewer, IDC_VIEWER_PATTERN), BM_CLICK, 0, 0);
    PumpUntil([&] { return Counts(viewer) == all; });
    const double patterned = TimeSearch(viewer, pattern);

    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    std::printf("read=%.3f open=%.3f search=%.3f pattern=%.3f peak_mb=%.1f all=\"%s\" found=\"%s\"\n", read, opened,
                searched, patterned, static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0),
                WideToAnsi(all).c_str(), WideToAnsi(found).c_str());
    CloseAllViewers();
    return read < 0 || searched < 0 || patterned < 0 ? 1 : 0;
}
