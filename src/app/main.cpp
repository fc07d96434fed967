// Kometori: the window program's entry.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "jobs/proxy_override.h"
#include "settings/settings.h"
#include "support/files.h"
#include "support/handles.h"
#include "support/write_guard.h"
#include "window/info_window.h"
#include "window/main_window.h"
#include "window/viewer_window.h"
#include "window/workers.h"

namespace {

// Handles the thread's messages until the lock is ours: a worker writing a
// file may be waiting for this thread meanwhile.
void LockFileWritesPumping() {
    while (!FileWriteMutex().try_lock()) {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// The files named on the command line ("Open with" in Explorer), whole
// whatever their characters, as full paths.
std::vector<std::wstring> CommandLineFiles() {
    int count = 0;
    LocalMemory memory(::CommandLineToArgvW(::GetCommandLineW(), &count));
    wchar_t** arguments = static_cast<wchar_t**>(memory.get());
    std::vector<std::wstring> files;
    for (int i = 1; arguments && i < count; ++i) {
        const std::wstring full = FullPath(arguments[i]);
        files.push_back(full.empty() ? arguments[i] : full);
    }
    return files;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    AppContext& app = App();
    app.settings.LoadSite();

    // The log exists, hidden, from here to the end of the program.
    CBaseDebug logPage("ログ");
    // A proxy left switched off by a process that died goes back on; the note
    // needs the page above to reach the info window.
    RestoreProxyAtStart();

    HWND main = CreateMainWindow(instance);
    if (!main) return 0;
    // A plain start, with nothing after the program's name, leaves the shell's
    // library unloaded.
    if (*arguments) {
        for (const std::wstring& file : CommandLineFiles()) OpenViewer(main, file);
    }
    const int code = RunMessageLoop(main);
    ::ShowWindow(main, SW_HIDE);

    // Workers are asked to stop, never waited for on the network: a file being
    // written is finished, then the process ends with them.
    AskAllWorkersToStop();
    const bool workersLeft = AnyWorkerRunning();
    if (workersLeft) LockFileWritesPumping();
    RestoreProxyAtExit();
    if (workersLeft) ::ExitProcess(static_cast<UINT>(code));
    ::DestroyWindow(main);
    return code;
}
