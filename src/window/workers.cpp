#include "window/workers.h"

#include <vector>

#include "support/cancel.h"

namespace {

struct WorkerStart {
    WorkerSlot::Body body;
    std::shared_ptr<JobTicket> ticket;
};

// Every worker of the main window has one owner, made on first use and gone
// at exit: the let-go list is declared first, so it goes after the slots.
struct Workers {
    // Workers let go by their slot or started detached, until they end; main
    // thread only. Their handles are closed: the ticket tells when they end.
    std::vector<std::shared_ptr<JobTicket>> letGo;
    WorkerSlot fetch;
    WorkerSlot conversion;
};

Workers& AllWorkers() {
    static Workers workers;
    return workers;
}

std::vector<std::shared_ptr<JobTicket>>& LetGoWorkers() { return AllWorkers().letGo; }

void PruneLetGo() {
    auto& workers = LetGoWorkers();
    for (size_t i = 0; i < workers.size();) {
        if (workers[i]->ended) {
            workers.erase(workers.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

unsigned __stdcall WorkerMain(void* param) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(param));
    std::shared_ptr<JobTicket> ticket = start->ticket;
    {
        ScopedCancelFlag cancel(ticket->stop);
        start->body(*ticket);
        start.reset();  // what the body holds goes before the job counts as ended
    }
    ticket->ended = true;
    return 0;
}

// Starts the body on the thread; the ticket is the new job's.
std::unique_ptr<WorkerThread> StartThread(WorkerSlot::Body body, const std::shared_ptr<JobTicket>& ticket) {
    auto thread = std::make_unique<WorkerThread>(WorkerMain);
    auto start = std::make_unique<WorkerStart>(WorkerStart{std::move(body), ticket});
    if (!thread->Start(start.get())) return nullptr;
    start.release();  // the thread owns it now
    return thread;
}

}  // namespace

WorkerSlot::~WorkerSlot() {
    // At exit: a worker still running is asked to stop and shows nothing more.
    if (ticket_) {
        ticket_->stop = true;
        ticket_->released = true;
    }
}

bool WorkerSlot::Start(Body body, bool finishPrevious) {
    Dismiss(!finishPrevious);
    PruneLetGo();
    auto ticket = std::make_shared<JobTicket>();
    std::unique_ptr<WorkerThread> thread = StartThread(std::move(body), ticket);
    if (!thread) return false;
    thread_ = std::move(thread);
    ticket_ = std::move(ticket);
    return true;
}

bool WorkerSlot::Running() const { return ticket_ && thread_ && thread_->IsRunning(); }

bool WorkerSlot::Release() { return Dismiss(true); }

bool WorkerSlot::Dismiss(bool stop) {
    if (!ticket_) return false;
    const bool running = Running();
    if (stop) ticket_->stop = true;
    ticket_->released = true;
    if (running) LetGoWorkers().push_back(ticket_);
    thread_.reset();  // the handle is closed; the thread goes on to its next check
    ticket_.reset();
    return running;
}

bool StartDetachedWorker(WorkerSlot::Body body) {
    PruneLetGo();
    auto ticket = std::make_shared<JobTicket>();
    std::unique_ptr<WorkerThread> thread = StartThread(std::move(body), ticket);
    if (!thread) return false;
    thread->WaitAndClose(0);
    LetGoWorkers().push_back(std::move(ticket));
    return true;
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

WorkerSlot& FetchWorker() { return AllWorkers().fetch; }

WorkerSlot& ConversionWorker() { return AllWorkers().conversion; }

void AskAllWorkersToStop() {
    for (WorkerSlot* slot : {&FetchWorker(), &ConversionWorker()}) slot->Release();
    for (auto& ticket : LetGoWorkers()) {
        ticket->stop = true;
        ticket->released = true;
    }
}

bool AnyWorkerRunning() {
    if (FetchWorker().Running() || ConversionWorker().Running()) return true;
    PruneLetGo();
    return !LetGoWorkers().empty();
}
