// The end of the program through its main window.
#pragma once

#include <windows.h>

// The end path, once per window: the settings saved (a file that cannot be
// written said once, in the info window and a message box), the info window
// hidden, the quit message posted.
void EndProgram(HWND main);
