// The login dialog (104): the stored account filled in, and the sign-in run by
// its only button. Modal to the owner (the main window) on the calling thread,
// which is the fetch job's worker.
#pragma once

#include <windows.h>

// 1 when the sign-in with the typed values succeeded; -1 when it failed or the
// dialog was closed with its close box.
INT_PTR ShowLoginDialog(HWND owner);

INT_PTR CALLBACK LoginDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
