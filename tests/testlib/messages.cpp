#include "testlib/messages.h"

#include <process.h>

#include <algorithm>

void PumpPendingMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        PumpPendingMessages();
        if (condition()) return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        // Wakes for the next message, or soon, for conditions set by other threads.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - elapsed, 10), QS_ALLINPUT);
    }
}

TestThread::TestThread(std::function<void()> body) : body_(std::move(body)) {
    handle_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &TestThread::Run, this, 0, &id_)));
}

TestThread::~TestThread() {
    if (handle_ && !Wait()) ::TerminateThread(handle_.get(), 1);
}

unsigned __stdcall TestThread::Run(void* self) {
    static_cast<TestThread*>(self)->body_();
    return 0;
}

bool TestThread::Finished() const { return Wait(0); }

bool TestThread::Wait(DWORD timeoutMs) const {
    return handle_ && ::WaitForSingleObject(handle_.get(), timeoutMs) == WAIT_OBJECT_0;
}
