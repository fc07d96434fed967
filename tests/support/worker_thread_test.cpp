#include "support/worker_thread.h"

#include <gtest/gtest.h>

namespace {

// The thread waits for `go`, sets `done` and ends with 7.
struct Gate {
    KernelHandle go{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    KernelHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

unsigned __stdcall PassGate(void* param) {
    auto* gate = static_cast<Gate*>(param);
    ::WaitForSingleObject(gate->go.get(), 10000);
    ::SetEvent(gate->done.get());
    return 7;
}

bool Open(HANDLE handle) {
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != FALSE;
}

TEST(WorkerThread, DestroyedAtOnceItsThreadRunsOnWithTheHandleClosed) {
    Gate gate;
    HANDLE handle = nullptr;
    {
        WorkerThread thread(PassGate);
        handle = thread.Start(&gate);
        ASSERT_TRUE(handle);
        EXPECT_NE(thread.ThreadId(), 0u);
        EXPECT_TRUE(thread.IsRunning());
    }
    EXPECT_FALSE(Open(handle));
    ::SetEvent(gate.go.get());
    EXPECT_EQ(::WaitForSingleObject(gate.done.get(), 10000), WAIT_OBJECT_0);
}

TEST(WorkerThread, WaitAndCloseStopsWaitingWhileTheThreadGoesOn) {
    Gate gate;
    WorkerThread thread(PassGate);
    ASSERT_TRUE(thread.Start(&gate));
    EXPECT_TRUE(thread.WaitAndClose(20));
    EXPECT_EQ(thread.Handle(), nullptr);
    EXPECT_EQ(::WaitForSingleObject(gate.done.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::SetEvent(gate.go.get());
    EXPECT_EQ(::WaitForSingleObject(gate.done.get(), 10000), WAIT_OBJECT_0);
}

TEST(WorkerThread, WaitAndTerminateEndsOnlyARunningThread) {
    Gate gate;
    WorkerThread running(PassGate);
    HANDLE handle = running.Start(&gate);
    ASSERT_TRUE(handle);
    EXPECT_EQ(running.Suspend(), 0u);
    EXPECT_EQ(running.Resume(), 1u);
    EXPECT_TRUE(running.WaitAndTerminate(20, 99));
    EXPECT_EQ(running.Handle(), handle) << "kept open";
    EXPECT_EQ(::WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(running.ExitCode(), 99u);
    EXPECT_EQ(::WaitForSingleObject(gate.done.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    ::SetEvent(gate.go.get());
    WorkerThread finished(PassGate);
    handle = finished.Start(&gate);
    ASSERT_EQ(::WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(finished.IsRunning());
    EXPECT_TRUE(finished.WaitAndTerminate(0, 99));
    EXPECT_FALSE(Open(handle));
    EXPECT_EQ(finished.ExitCode(), 7u) << "nothing terminated";

    WorkerThread none;  // no procedure: no thread
    EXPECT_EQ(none.Start(nullptr), nullptr);
    EXPECT_FALSE(none.IsRunning());
}

}  // namespace
