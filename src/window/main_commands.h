// The main window's commands (WM_COMMAND), dispatched from one table.
#pragma once

#include <windows.h>

// Handles the command; false for identifiers the window does not know.
bool RunCommand(HWND main, WORD id, WORD code, HWND control);

// Sets the menu's check marks from the settings at start (and the window on
// top when WindowTopMost is on).
void ApplySettingsToMenu(HWND main);

// The form's check before a fetch: a refusal shows its message and moves the
// focus; true when the job may start.
bool CheckFetchInput(HWND main);
