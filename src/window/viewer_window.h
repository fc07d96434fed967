// The comment viewer: top-level Unicode windows of class "CKometoriViewer",
// each showing one comment file: the density graph (1204), the search box
// (1201) with its pattern check box (1202), the list (1203) and the status bar
// (1205). Any number may be open; they live on the main window's thread,
// read and search on workers of their own, and close with the main window.
#pragma once

#include <windows.h>

#include <string>

// A new viewer reading the file (none for an empty path), where the last
// viewer closed stood or else beside the main window. Null when the window
// could not be made.
HWND OpenViewer(HWND main, const std::wstring& path);
// "コメントビューア(&W)...": a comment file picked in the open dialog, in a new viewer.
void OpenViewerOfChosenFile(HWND main);
// Closes every viewer; the last one's place goes into the settings.
void CloseAllViewers();
// For the message loop: a viewer's keys (its accelerators, Tab and the
// underlined letters between its controls). True when the message was used.
bool HandleViewerKeys(MSG& message);
