// The stop request of the work running on a thread. A job installs its own
// flag on its thread; long operations below it (the reads of a reply body)
// check the flag between their steps, so a stop takes effect within about a
// second without the thread being terminated.
#pragma once

#include <atomic>

// Installs the flag as the calling thread's for the scope.
class ScopedCancelFlag {
public:
    explicit ScopedCancelFlag(std::atomic<bool>& flag);
    ~ScopedCancelFlag();
    ScopedCancelFlag(const ScopedCancelFlag&) = delete;
    ScopedCancelFlag& operator=(const ScopedCancelFlag&) = delete;

private:
    std::atomic<bool>* previous_;
};

// The calling thread's flag; a process-wide one where none is installed.
std::atomic<bool>& ThreadCancelFlag();
inline bool CancelRequested() { return ThreadCancelFlag().load(); }
