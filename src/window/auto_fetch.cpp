#include "window/auto_fetch.h"

#include "jobs/fetch_input.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/window.h"
#include "window/main_view.h"

namespace {

// When the interval was last found elapsed, or automatic fetching switched on.
DWORD g_lastTrigger = 0;

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
                case IDC_INTERVAL_CANCEL: ::EndDialog(dialog, IDC_INTERVAL_CANCEL); return TRUE;
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
    if (MainViewFacts().autoFetch) {
        EndAutoFetch(main);
        return;
    }
    g_lastTrigger = ::GetTickCount();
    ::SetTimer(main, kAutoFetchTimer, 1000, AutoFetchTick);
    ShowMainEvent(main, MainEvent::AutoFetchOn);
}

bool AutoFetchDue(DWORD lastTrigger, DWORD now, int intervalSeconds) {
    if (intervalSeconds <= 0) return true;
    return now - lastTrigger >= static_cast<unsigned long long>(intervalSeconds) * 1000u;
}

void CALLBACK AutoFetchTick(HWND main, UINT, UINT_PTR, DWORD now) {
    if (!AutoFetchDue(g_lastTrigger, now, App().settings.AutoGetInterval)) return;
    // A round that finds the last one still shown is skipped.
    if (MainViewFacts().fetch == FetchJob::None) {
        ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_FETCH, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_FETCH)));
    }
    g_lastTrigger = now;
}

void EndAutoFetch(HWND main) {
    ::KillTimer(main, kAutoFetchTimer);
    ShowMainEvent(main, MainEvent::AutoFetchOff);
}

void RunIntervalDialog(HWND main) {
    ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INTERVAL), main, IntervalDialogProc, 0);
}
