// Kometori: the window program's entry.
#include <windows.h>

#include "jobs/proxy_override.h"
#include "settings/settings.h"
#include "support/com.h"
#include "support/write_guard.h"
#include "window/info_window.h"
#include "window/main_window.h"
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    AppContext& app = App();
    app.settings.LoadSite();
    ComInit com;

    // The log exists, hidden, from here to the end of the program.
    CBaseDebug logPage("ログ");
    // A proxy left switched off by a process that died goes back on; the note
    // needs the page above to reach the info window.
    RestoreProxyAtStart();

    HWND main = CreateMainWindow(instance);
    if (!main) return 0;
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
