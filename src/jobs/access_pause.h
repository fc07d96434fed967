// What the fetch and the whole history share between two accesses to the
// site: the job's stop request and the pause that a stop cuts short.
#pragma once

#include <atomic>

// The stop request of the calling thread's job (support/cancel.h), checked
// between the steps, during the pause and between the reads of a reply body:
// the job ends at the next check instead of being terminated in the middle of
// a call. Whoever starts a job clears it before the start, never the job
// itself: a stop asked for before the job's thread runs still counts.
std::atomic<bool>& FetchStopRequested();
// Sets the request and writes "処理を途中停止しました" the first time.
void RequestFetchStop(std::atomic<bool>& stop = FetchStopRequested());

// False without waiting below one second; otherwise logs the two waiting lines
// and waits (in steps of one second, ending early on a stop request).
bool WaitBetweenAccesses(int seconds);
