// The download address commands in the main window ("DL" 1032, 40012 open,
// 40015 show): each starts a job of its own beside any other job.
#pragma once

#include <windows.h>

// Starts a job on the address field as it stands, doing what the command
// asks, whatever commands come after it.
bool StartDownloadAddressJob(HWND main, WORD command);
