#include "window/workers.h"

#include <process.h>

#include <vector>

#include "support/cancel.h"

namespace {

struct WorkerStart {
    WorkerSlot::Body body;
    std::shared_ptr<JobTicket> ticket;
};

// Workers let go by their slot, until they end; main thread only.
struct LetGo {
    KernelHandle thread;
    std::shared_ptr<JobTicket> ticket;
};

std::vector<LetGo>& LetGoWorkers() {
    static std::vector<LetGo> workers;
    return workers;
}

std::vector<WorkerSlot*>& Slots() {
    static std::vector<WorkerSlot*> slots;
    return slots;
}

bool ThreadRunning(const KernelHandle& thread) {
    return thread && ::WaitForSingleObject(thread.get(), 0) == WAIT_TIMEOUT;
}

void PruneLetGo() {
    auto& workers = LetGoWorkers();
    for (size_t i = 0; i < workers.size();) {
        if (ThreadRunning(workers[i].thread)) {
            ++i;
        } else {
            workers.erase(workers.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

unsigned __stdcall WorkerMain(void* param) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(param));
    std::shared_ptr<JobTicket> ticket = start->ticket;
    ScopedCancelFlag cancel(ticket->stop);
    start->body(*ticket);
    return 0;
}

}  // namespace

WorkerSlot::~WorkerSlot() {
    Release();
    auto& slots = Slots();
    for (auto it = slots.begin(); it != slots.end(); ++it) {
        if (*it == this) {
            slots.erase(it);
            break;
        }
    }
}

bool WorkerSlot::Start(Body body, bool finishPrevious) {
    Dismiss(!finishPrevious);
    PruneLetGo();
    auto& slots = Slots();
    bool known = false;
    for (WorkerSlot* slot : slots) known = known || slot == this;
    if (!known) slots.push_back(this);

    auto ticket = std::make_shared<JobTicket>();
    auto start = std::make_unique<WorkerStart>(WorkerStart{std::move(body), ticket});
    unsigned id = 0;
    HANDLE thread = reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, WorkerMain, start.get(), 0, &id));
    if (!thread) return false;
    start.release();  // the thread owns it now
    thread_.reset(thread);
    ticket_ = std::move(ticket);
    return true;
}

bool WorkerSlot::Running() const { return ticket_ && ThreadRunning(thread_); }

bool WorkerSlot::Release() { return Dismiss(true); }

bool WorkerSlot::Dismiss(bool stop) {
    if (!ticket_) return false;
    const bool running = ThreadRunning(thread_);
    if (stop) ticket_->stop = true;
    ticket_->released = true;
    if (running) LetGoWorkers().push_back(LetGo{std::move(thread_), ticket_});
    thread_.reset();
    ticket_.reset();
    return running;
}

bool CallOnWindow(HWND window, JobTicket& ticket, const std::function<void()>& action) {
    if (!window) return false;
    // SendMessage returns 0 as well when the window is gone.
    return ::SendMessageA(window, kWorkerCallMessage, reinterpret_cast<WPARAM>(&ticket),
                          reinterpret_cast<LPARAM>(&action)) != 0;
}

bool HandleWorkerCall(WPARAM wParam, LPARAM lParam) {
    auto* ticket = reinterpret_cast<JobTicket*>(wParam);
    auto* action = reinterpret_cast<const std::function<void()>*>(lParam);
    if (!ticket || !action || ticket->released) return false;
    (*action)();
    return true;
}

void AskAllWorkersToStop() {
    for (WorkerSlot* slot : Slots()) slot->Release();
    for (LetGo& worker : LetGoWorkers()) worker.ticket->stop = true;
}

bool AnyWorkerRunning() {
    for (WorkerSlot* slot : Slots()) {
        if (slot->Running()) return true;
    }
    PruneLetGo();
    return !LetGoWorkers().empty();
}
