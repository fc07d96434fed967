// The main window's job states on the screen: the facts of the one main window
// (window/main_state) and the one function that draws them. Nothing else sets
// the title, the fetch button, the save folder and its button, the acceptance
// of drops or the job items of the menu. Main thread only.
#pragma once

#include <windows.h>

#include "window/main_state.h"

// A new main window: nothing runs, drawn as such.
void ResetMainView(HWND main);
// Applies the event to the facts and draws the window from them.
void ShowMainEvent(HWND main, MainEvent event, int percent = 0);
// What the window shows now.
const MainFacts& MainViewFacts();
