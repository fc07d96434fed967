// The fetch job in the main window: its worker thread, its states and the stop
// command. The job itself is window-free (jobs/fetch_job.h); what the window
// shows of it is decided in window/main_view.
#pragma once

#include <windows.h>

#include <functional>

// Starts the job with the form as it stands on its worker thread (each
// address's whole history with history set); the caller has checked the
// input. Its stop request is clear when the thread starts. The window shows
// the job from here on.
bool StartFetch(HWND main, bool history = false);
// A job runs that the window still shows.
bool FetchRunning();
// The stop command: the job is asked to stop and let go, the window goes idle
// at once and the info window shows "処理を途中停止しました". False (and
// nothing logged) when no job ran.
bool StopFetch(HWND main);

// The sound after a job over several addresses (MessageBeep by default).
void SetCompletionBeep(std::function<void()> beep);
