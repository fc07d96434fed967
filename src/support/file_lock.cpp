#include "support/file_lock.h"

bool FileLock::Acquire(const std::wstring& path, DWORD waitMs, const std::atomic<bool>* stop) {
    Release();
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    // A waiting LockFileEx cannot time out: asked again every tenth of a second.
    const DWORD start = ::GetTickCount();
    while (true) {
        OVERLAPPED at{};
        if (::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            file_ = std::move(file);
            return true;
        }
        if (::GetTickCount() - start >= waitMs || (stop && *stop)) return false;
        ::Sleep(100);
    }
}
