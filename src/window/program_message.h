// The program's message boxes: caption the program name, on top of other
// windows and brought to the foreground. Shown on the calling thread.
#pragma once

#include <windows.h>

#include <string>

int ShowProgramMessage(HWND owner, const std::string& text, UINT buttons = MB_OK);
// The same for text that may hold any character (a path, a comment).
int ShowProgramMessage(HWND owner, const std::wstring& text, UINT buttons = MB_OK);
