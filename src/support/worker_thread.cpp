#include "support/worker_thread.h"

#include <process.h>

HANDLE WorkerThread::Start(void* argument) {
    handle_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, procedure_, argument, 0, &threadId_)));
    return handle_.get();
}

DWORD WorkerThread::ExitCode() {
    DWORD code = 0;
    if (handle_ && ::GetExitCodeThread(handle_.get(), &code)) exitCode_ = code;
    return exitCode_;
}

bool WorkerThread::IsRunning() { return handle_ && ExitCode() == STILL_ACTIVE; }

bool WorkerThread::WaitAndClose(DWORD milliseconds) {
    if (IsRunning()) ::WaitForSingleObject(handle_.get(), milliseconds);
    handle_.reset();
    return true;
}

bool WorkerThread::WaitAndTerminate(DWORD milliseconds, DWORD exitCode) {
    if (!IsRunning()) {
        handle_.reset();
        return true;
    }
    if (::WaitForSingleObject(handle_.get(), milliseconds) == WAIT_TIMEOUT) {
        ::TerminateThread(handle_.get(), exitCode);
    }
    return true;
}

DWORD WorkerThread::Suspend() { return ::SuspendThread(handle_.get()); }

DWORD WorkerThread::Resume() { return ::ResumeThread(handle_.get()); }
