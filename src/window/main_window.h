// The main window: class CKometori, made from dialog template 102 with menu
// 106. One per process.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class ToolTips;

struct MainWindowState {
    HWND window = nullptr;
    std::unique_ptr<ToolTips> tips;
    std::string addressTip;  // a tip's text lives as long as its tool
};
MainWindowState& MainState();

// Registers the class and creates the window, hidden; its initialisation
// loads the settings, places it and shows it. Null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// The message loop with keyboard navigation between the controls; returns the
// quit message's code.
int RunMessageLoop(HWND main);
