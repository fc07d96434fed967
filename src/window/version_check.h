// The version notice: once per start, when NotifyVersionUp is on, the notice
// file of the author's site is read in the background; a newer version brings
// the question whether to open the author's page, a test version a line in
// the info window.
#pragma once

#include <windows.h>

// Starts the check on a thread of its own that nothing waits for; its
// question is owned by the main window.
void StartVersionCheck(HWND main);

// The check itself, a thread procedure (the argument is not used): 0 after a
// check, (unsigned)-1 when the notice file could not be read.
unsigned __stdcall RunVersionCheck(void*);
