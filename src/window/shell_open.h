// Opening addresses, files and folders with the shell: the user's default
// program for them (ShellExecute, normal show). Tests put a recorder in its
// place, so that no browser or folder window starts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Any thread may call it. No verb is the shell's default action.
void OpenWithShell(HWND owner, const std::string& target, const char* verb = nullptr);

// Replaces the shell call; null puts the shell back. Set it while no job runs.
void SetShellOpener(std::function<void(const std::string& target)> opener);
