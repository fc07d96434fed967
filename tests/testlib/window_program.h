// The window program run as the user runs it: Kometori.exe started in a folder
// of its own (its INI file there) on the test's desktop, looked at through its
// windows and ended through them.
#pragma once

#include <windows.h>

#include <string>

#include "support/handles.h"

class WindowProgram {
public:
    // Starts the program built beside the test programs in the folder, with
    // the arguments after its name.
    explicit WindowProgram(const std::wstring& folder, const std::wstring& arguments = L"");
    explicit WindowProgram(const std::string& folder, const std::wstring& arguments = L"");
    // Ends it by force when it still runs.
    ~WindowProgram();
    WindowProgram(const WindowProgram&) = delete;
    WindowProgram& operator=(const WindowProgram&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    // A top-level window of the program with the class, shown or not; null when none.
    HWND Window(const char* className) const;
    // Its message box (caption "Kometori") while one is shown; null otherwise.
    HWND Box() const;
    // The text of the info window's page.
    std::string InfoText() const;
    // The text of a control of the main window, as the program holds it.
    std::wstring ControlText(int id) const;
    // Waits for the program to end, handling the test thread's messages; its
    // exit code, or 0xFFFFFFFF when it has not ended within the time.
    DWORD WaitForExit(DWORD timeoutMs = 30000);

private:
    KernelHandle process_;
    DWORD id_ = 0;
};
