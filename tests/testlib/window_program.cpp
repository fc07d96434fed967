#include "testlib/window_program.h"

#include "support/codepage.h"
#include "support/window.h"
#include "testlib/dialogs.h"
#include "testlib/messages.h"
#include "testlib/process.h"

WindowProgram::WindowProgram(const std::string& folder, const std::wstring& arguments)
    : WindowProgram(AnsiToWide(folder), arguments) {}

WindowProgram::WindowProgram(const std::wstring& folder, const std::wstring& arguments) {
    const std::wstring program = AnsiToWide(BuildProgram("Kometori.exe"));
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          &startup, &info)) {
        return;
    }
    process_.reset(info.hProcess);
    ::CloseHandle(info.hThread);
    id_ = info.dwProcessId;
}

WindowProgram::~WindowProgram() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 0xFFFFFFFF);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

HWND WindowProgram::Window(const char* className) const {
    return FindTopLevelWindow([&](HWND window) { return ProcessOf(window) == id_ && ClassOf(window) == className; });
}

HWND WindowProgram::Box() const {
    return FindTopLevelWindow([&](HWND window) {
        return ProcessOf(window) == id_ && ::IsWindowVisible(window) && ClassOf(window) == "#32770" &&
               WindowText(window) == "Kometori";
    });
}

std::string WindowProgram::InfoText() const {
    HWND info = Window("CBaseDebug");
    HWND box = info ? ::GetDlgItem(info, 1) : nullptr;
    if (!box) return std::string();
    // GetWindowText reads only captions of another process's windows.
    std::string text(static_cast<size_t>(::SendMessageA(box, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(::SendMessageA(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

std::wstring WindowProgram::ControlText(int id) const {
    HWND control = ::GetDlgItem(Window("CKometori"), id);
    if (!control) return std::wstring();
    std::wstring text(static_cast<size_t>(::SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

DWORD WindowProgram::WaitForExit(DWORD timeoutMs) {
    if (!process_) return 0xFFFFFFFF;
    if (!PumpMessagesUntil([&] { return ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }, timeoutMs)) {
        return 0xFFFFFFFF;
    }
    DWORD code = 0xFFFFFFFF;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}
