#include "support/worker_thread.h"

#include <gtest/gtest.h>

namespace {

// The thread waits for `go`, sets `done` and ends with 7.
struct Gate {
    KernelHandle go{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    KernelHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    bool Passed(DWORD ms = 10000) const { return ::WaitForSingleObject(done.get(), ms) == WAIT_OBJECT_0; }
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

TEST(WorkerThread, ClosingTheHandleLeavesTheThreadRunning) {
    Gate gate;
    HANDLE handle = nullptr;
    {
        WorkerThread destroyed(PassGate);
        ASSERT_TRUE(handle = destroyed.Start(&gate));
        EXPECT_TRUE(destroyed.IsRunning());
    }
    EXPECT_FALSE(Open(handle));
    WorkerThread waited(PassGate);
    ASSERT_TRUE(handle = waited.Start(&gate));
    EXPECT_TRUE(waited.WaitAndClose(20));
    EXPECT_FALSE(Open(handle));
    EXPECT_FALSE(gate.Passed(0));
    ::SetEvent(gate.go.get());
    EXPECT_TRUE(gate.Passed());
}

TEST(WorkerThread, WaitAndTerminateEndsOnlyARunningThread) {
    Gate gate;
    WorkerThread running(PassGate);
    HANDLE handle = running.Start(&gate);
    EXPECT_EQ(running.Suspend(), 0u);
    EXPECT_EQ(running.Resume(), 1u);
    EXPECT_TRUE(running.WaitAndTerminate(20, 99));
    ASSERT_EQ(::WaitForSingleObject(handle, 10000), WAIT_OBJECT_0) << "the handle stays open";
    EXPECT_EQ(running.ExitCode(), 99u);

    ::SetEvent(gate.go.get());
    WorkerThread finished(PassGate);
    handle = finished.Start(&gate);
    ASSERT_EQ(::WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(finished.IsRunning());
    EXPECT_TRUE(finished.WaitAndTerminate(0, 99));
    EXPECT_FALSE(Open(handle));
    EXPECT_EQ(finished.ExitCode(), 7u) << "nothing terminated";
}

}  // namespace
