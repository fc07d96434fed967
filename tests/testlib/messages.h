// Waiting on the test thread's message queue and on helper threads, always
// with a bound: a hang becomes a failure, not a stuck test run.
#pragma once

#include <windows.h>

#include <functional>

#include "support/handles.h"

// Handles the thread's messages until the condition holds or the time is up;
// true when it holds.
bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Handles every message already waiting.
void PumpPendingMessages();

// A thread running one function. The destructor waits a bounded time for it
// and terminates it when it hangs.
class TestThread {
public:
    explicit TestThread(std::function<void()> body);
    ~TestThread();
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    bool Finished() const;
    // True when the thread ended within the time.
    bool Wait(DWORD timeoutMs = 10000) const;
    DWORD Id() const { return id_; }

private:
    static unsigned __stdcall Run(void* self);

    std::function<void()> body_;
    KernelHandle handle_;
    unsigned id_ = 0;
};
