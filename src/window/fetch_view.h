// The fetch job in the main window: its worker thread, its busy and idle
// states and the stop command. The job itself is window-free (jobs/fetch_job.h).
#pragma once

#include <windows.h>

#include <functional>

// The window's title: the program name, and " - " and the state when there is one.
void SetMainTitle(HWND main, const char* state);
// Enables or disables a control of the main window; the focus leaves a control
// that is disabled.
void EnableMainControl(HWND main, int id, bool enabled);

// What the fetching and converting states share: drops refused, the button
// and the title read the state, the button and the save folder disabled.
void ShowBusyForm(HWND main, const char* state);
// The fetching state: the busy form with "取得中...", the stop item enabled,
// the items that start another job grayed.
void ShowFetchBusy(HWND main);
// Back to idle: drops accepted, "取得開始", the title the program name alone;
// a conversion that still runs keeps its state; with automatic fetching on,
// its waiting state.
void ShowFetchIdle(HWND main);
// The fetching state is shown.
bool FetchShown();

// Starts the job with the form as it stands on its worker thread (each
// address's whole history with history set); the caller has checked the
// input. Its stop request is clear when the thread starts.
bool StartFetch(HWND main, bool history = false);
// A job runs that the window still shows.
bool FetchRunning();
// The stop command: the job is asked to stop and let go, the window goes idle
// at once and the info window shows "処理を途中停止しました". False (and
// nothing logged) when no job ran.
bool StopFetch(HWND main);

// The sound after a job over several addresses (MessageBeep by default).
void SetCompletionBeep(std::function<void()> beep);
