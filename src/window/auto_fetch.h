// Automatic fetching: while it is on ("自動取得(&A)", 40013, checked), a
// one-second timer presses the fetch button whenever the interval has passed
// and no fetch job is shown. The state is one of the main window's facts
// (window/main_view); it is never stored.
#pragma once

#include <windows.h>

inline constexpr UINT_PTR kAutoFetchTimer = 1;

// Command 40013: switches it on, the first round one whole interval later, or
// off, as EndAutoFetch.
void ToggleAutoFetch(HWND main);

// The timer routine; now is the tick count of the timer event.
void CALLBACK AutoFetchTick(HWND main, UINT message, UINT_PTR timer, DWORD now);

// Whether a round is due: at least the interval (seconds) since the last
// trigger, measured across the tick count's wrap; every tick at 0 or less.
bool AutoFetchDue(DWORD lastTrigger, DWORD now, int intervalSeconds);

// Switches automatic fetching off: the timer stops and the mark goes. The idle
// window comes back at once, or, while a round's job is shown, when it ends,
// so that no second job can be started beside it.
void EndAutoFetch(HWND main);

// Dialog 107, modal to the main window: "設定" takes the interval's leading
// digits (0 without any); "取り消し" and the close box change nothing.
void RunIntervalDialog(HWND main);
