// Opening web addresses with the shell: the user's default program for them
// (ShellExecute with no verb, normal show). Tests put a recorder in its place,
// so that no browser starts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Any thread may call it.
void OpenWithShell(HWND owner, const std::string& address);

// Replaces the shell call; null puts the shell back. Set it while no job runs.
void SetShellOpener(std::function<void(const std::string& address)> opener);
