// The main window's worker threads. Each job runs on a thread of its own
// (support/worker_thread.h) with a ticket: its stop flag (installed as the
// thread's, support/cancel.h) and whether the window still shows it. The
// window never waits for a worker and never terminates one: a stop asks the
// worker to end at its next check and lets it go at once; from then on the
// worker's calls to the window are dropped, so a worker still inside a network
// call never changes the window after it went idle.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "support/worker_thread.h"

// Sent by a worker to the main window: wParam the ticket, lParam the call.
inline constexpr UINT kWorkerCallMessage = WM_APP + 20;

struct JobTicket {
    std::atomic<bool> stop{false};
    // Set on the main thread only, when the window lets the job go.
    bool released = false;
    // Set by the worker's thread when the job has returned.
    std::atomic<bool> ended{false};
};

class WorkerSlot {
public:
    using Body = std::function<void(JobTicket& ticket)>;

    WorkerSlot() = default;
    // Asks a worker still running to stop, at exit.
    ~WorkerSlot();
    WorkerSlot(const WorkerSlot&) = delete;
    WorkerSlot& operator=(const WorkerSlot&) = delete;

    // Starts the body on a new thread with a fresh ticket
    // whose stop flag is clear. A worker still in the slot is let go first:
    // asked to stop, or with finishPrevious left to finish its work unshown.
    bool Start(Body body, bool finishPrevious = false);
    // A worker that the window still shows is running.
    bool Running() const;
    // That worker's stop flag; null when none runs.
    std::atomic<bool>* RunningStopFlag() const { return Running() ? &ticket_->stop : nullptr; }
    // Asks the slot's worker to stop and lets it go; true when one was running.
    bool Release();

private:
    bool Dismiss(bool stop);

    std::unique_ptr<WorkerThread> thread_;
    std::shared_ptr<JobTicket> ticket_;
};

// The slot of the fetch job (a history too) and the slot of the conversions.
WorkerSlot& FetchWorker();
WorkerSlot& ConversionWorker();

// Starts the body on a thread that no slot holds: it runs beside every other
// job until it ends, and only the end of the program asks it to stop.
bool StartDetachedWorker(WorkerSlot::Body body);

// On a worker: runs the action on the window's thread and waits for it, unless
// the window has let the worker's job go. False when the action did not run.
bool CallOnWindow(HWND window, JobTicket& ticket, const std::function<void()>& action);
// On the window's thread: the handler of kWorkerCallMessage; true when the
// action ran.
bool HandleWorkerCall(WPARAM wParam, LPARAM lParam);

// At exit: every worker that still runs, shown, let go or detached, is asked
// to stop, and its calls to the window are dropped.
void AskAllWorkersToStop();
// Whether any worker, shown, let go or detached, is still running.
bool AnyWorkerRunning();
