// The owner of one platform thread: it keeps the thread procedure, starts the
// thread with one argument and answers for its handle. Destruction closes the
// handle without waiting: a thread still running goes on running detached.
#pragma once

#include <windows.h>

#include "support/handles.h"

class WorkerThread {
public:
    using Procedure = unsigned(__stdcall*)(void* argument);

    WorkerThread() = default;
    explicit WorkerThread(Procedure procedure) : procedure_(procedure) {}
    ~WorkerThread() { WaitAndClose(0); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void SetProcedure(Procedure procedure) { procedure_ = procedure; }

    // Starts the procedure with the argument on a new thread that runs at
    // once; the handle, or null when the thread could not be made. A handle
    // of an earlier start is closed first.
    HANDLE Start(void* argument);
    // The thread's exit code as the platform reports it now (STILL_ACTIVE
    // while it runs); the last one read when there is no handle.
    DWORD ExitCode();
    // A procedure that returns STILL_ACTIVE (259) counts as running.
    bool IsRunning();
    // Waits up to the time while the thread runs, then closes the handle.
    bool WaitAndClose(DWORD milliseconds);
    // Waits up to the time while the thread runs and ends a thread still
    // running by force, keeping the handle; a finished thread's handle is closed.
    bool WaitAndTerminate(DWORD milliseconds, DWORD exitCode);
    // The previous suspend count; (DWORD)-1 on failure.
    DWORD Suspend();
    DWORD Resume();

    unsigned ThreadId() const { return threadId_; }
    HANDLE Handle() const { return handle_.get(); }

private:
    Procedure procedure_ = nullptr;
    unsigned threadId_ = 0;
    KernelHandle handle_;
    DWORD exitCode_ = 0;
};
