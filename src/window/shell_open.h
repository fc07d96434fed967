// Opening addresses, files and folders with the shell: the user's default
// program for them (ShellExecute, normal show). Tests put a recorder in its
// place, so that no browser or folder window starts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Any thread may call it. No verb is the shell's default action. The target
// is a path (UTF-16, as the file system names it) or a web address.
void OpenWithShell(HWND owner, const std::wstring& target, const wchar_t* verb = nullptr);
// A web address in the ANSI code page, as the settings and the site give it.
void OpenWithShell(HWND owner, const std::string& address);

// Replaces the shell call; null puts the shell back. Set it while no job runs.
void SetShellOpener(std::function<void(const std::wstring& target)> opener);
