// The main window's side of the settings store: the form's controls and the
// places of the main window and the info window.
#pragma once

#include <windows.h>

#include "settings/settings.h"

// The form as the controls hold it.
FormValues ReadForm(HWND main);
// The save folder box: a Unicode control, so the folder keeps every character.
std::wstring ReadSaveFolder(HWND main);
// When the INI file cannot keep the folder (AppSettings::CanKeepSaveFolder),
// says so with a "◆" line and a message box, once for each folder.
void WarnIfSaveFolderCannotBeKept(HWND main, const std::wstring& folder);
// Puts the values into the controls. Check boxes that are off are left as
// they are; "全て取得" on disables the count box.
void FillForm(HWND main, const FormValues& form);
// The rectangles to store; none for a minimised or maximised window.
WindowPlacementValues ReadPlacement(HWND main, HWND info);

// "過去ログ" (1040): unchecked, the date boxes are folded away; the window
// then ends just above their frame, at every display scaling.
void FoldPastLog(HWND main);

// Reads the INI file, places the main window and the info window (showing
// the info window when ViewInfoWindow is on) and fills the form.
void LoadSettingsIntoWindow(HWND main);
// Writes the form, the places and the settings to the INI file; false when
// the file could not be written.
bool SaveSettingsFromWindow(HWND main);
