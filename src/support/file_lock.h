// An exclusive lock between processes on a lock file: the window program and
// a scheduled console companion writing the same file take turns. The lock
// goes with the handle, so a killed holder never leaves it taken.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "support/handles.h"

class FileLock {
public:
    // Waits up to waitMs for the lock on path (made when missing; it stays).
    // False when the time ran out, stop was set, or the file cannot be opened.
    bool Acquire(const std::wstring& path, DWORD waitMs, const std::atomic<bool>* stop = nullptr);
    void Release() { file_.reset(); }
    bool Held() const { return static_cast<bool>(file_); }

private:
    FileHandle file_;
};
