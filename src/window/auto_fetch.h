// Automatic fetching: while the menu item "自動取得(&A)" (40013) is checked, a
// one-second timer presses the fetch button whenever the interval has passed
// and no fetch job runs. The check mark is the on/off state; it is never stored.
#pragma once

#include <windows.h>

inline constexpr UINT_PTR kAutoFetchTimer = 1;

// Command 40013: flips the mark; on, the first round comes one whole interval
// later; off, as EndAutoFetch.
void ToggleAutoFetch(HWND main);

// The timer routine; now is the tick count of the timer event.
void CALLBACK AutoFetchTick(HWND main, UINT message, UINT_PTR timer, DWORD now);

// Whether a round is due: at least the interval (seconds) since the last
// trigger, measured across the tick count's wrap; every tick at 0 or less.
bool AutoFetchDue(DWORD lastTrigger, DWORD now, int intervalSeconds);

// With 40013 checked: the title reads " - 自動取得中...", drops are refused, the
// fetch button and the menu items that start a job by hand are off. Nothing
// otherwise.
void ShowAutoFetchState(HWND main);

// Switches automatic fetching off: the timer stops and the mark goes. The idle
// window comes back at once, or, while a job runs, when that job ends, so that
// no second job can be started beside it.
void EndAutoFetch(HWND main);

// Dialog 107, modal to the main window: "設定" takes the interval's leading
// digits (0 without any); "取り消し" and the close box change nothing.
void RunIntervalDialog(HWND main);
