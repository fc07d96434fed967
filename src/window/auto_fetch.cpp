#include "window/auto_fetch.h"

#include <shellapi.h>

#include "jobs/fetch_input.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/window.h"
#include "window/conversion_view.h"
#include "window/fetch_view.h"

namespace {

// When the interval was last found elapsed, or automatic fetching switched on.
DWORD g_lastTrigger = 0;

bool AutoFetchChecked(HWND main) { return IsMenuItemChecked(::GetMenu(main), IDM_AUTO_FETCH); }

// A job whose state the window shows keeps it; its end applies ours. What the
// window shows, not whether a thread lives: a round's thread outlives the
// idle state it has shown.
bool JobShown() { return FetchShown() || ConversionShown(); }

// The menu items that start a job by hand.
const UINT kStartItems[] = {IDM_FETCH, IDM_CONVERT, IDM_CONVERT_SUBTITLES, IDM_FETCH_HISTORY};

INT_PTR CALLBACK IntervalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            ::SetDlgItemTextA(dialog, IDC_INTERVAL, std::to_string(App().settings.AutoGetInterval).c_str());
            // Ready for typing over the old value.
            SelectAllOnFocus(::GetDlgItem(dialog, IDC_INTERVAL));
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    App().settings.AutoGetInterval = LeadingNumber(WindowText(::GetDlgItem(dialog, IDC_INTERVAL)));
                    ::EndDialog(dialog, IDOK);
                    return TRUE;
                case IDC_INTERVAL_CANCEL:
                    ::EndDialog(dialog, IDC_INTERVAL_CANCEL);
                    return TRUE;
                case IDCANCEL:  // the close box and Esc
                    ::EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

void ToggleAutoFetch(HWND main) {
    ToggleMenuCheck(::GetMenu(main), IDM_AUTO_FETCH);
    if (!AutoFetchChecked(main)) {
        EndAutoFetch(main);
        return;
    }
    g_lastTrigger = ::GetTickCount();
    ::SetTimer(main, kAutoFetchTimer, 1000, AutoFetchTick);
    if (!JobShown()) ShowAutoFetchState(main);
}

bool AutoFetchDue(DWORD lastTrigger, DWORD now, int intervalSeconds) {
    if (intervalSeconds <= 0) return true;
    return now - lastTrigger >= static_cast<unsigned long long>(intervalSeconds) * 1000u;
}

void CALLBACK AutoFetchTick(HWND main, UINT, UINT_PTR, DWORD now) {
    if (!AutoFetchDue(g_lastTrigger, now, App().settings.AutoGetInterval)) return;
    // A round that finds the last one still running is skipped.
    if (!FetchRunning()) {
        ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_FETCH, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_FETCH)));
    }
    g_lastTrigger = now;
}

void ShowAutoFetchState(HWND main) {
    if (!AutoFetchChecked(main)) return;
    ::DragAcceptFiles(main, FALSE);
    SetMainTitle(main, "自動取得中...");
    EnableMainControl(main, IDC_FETCH, false);
    for (UINT id : kStartItems) SetMenuItemEnabled(::GetMenu(main), id, false);
}

void EndAutoFetch(HWND main) {
    ::KillTimer(main, kAutoFetchTimer);
    HMENU menu = ::GetMenu(main);
    if (AutoFetchChecked(main)) SetMenuCheck(menu, IDM_AUTO_FETCH, false);
    if (JobShown()) return;
    ::DragAcceptFiles(main, TRUE);
    EnableMainControl(main, IDC_FETCH, true);
    for (UINT id : kStartItems) SetMenuItemEnabled(menu, id, true);
    SetMainTitle(main, nullptr);
}

void RunIntervalDialog(HWND main) {
    ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INTERVAL), main, IntervalDialogProc, 0);
}
