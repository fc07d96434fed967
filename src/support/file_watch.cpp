#include "support/file_watch.h"

#include "support/text.h"

namespace {

constexpr DWORD kStep = 100;          // how soon a stop is seen
constexpr ULONGLONG kQuiet = 300;     // no change for this long: the writer is done
constexpr ULONGLONG kLongest = 1000;  // a folder that never rests is looked at this often
// Looks at the file between notifications too: some folders (network shares)
// take the watch and never signal it. Often where there is no watch at all.
constexpr ULONGLONG kWatchedLook = 5000, kUnwatchedLook = 1000;

}  // namespace

FileWatch::FileWatch(const std::wstring& path) : path_(FullPath(path)) {
    if (path_.empty()) path_ = path;
    folder_.reset(::FindFirstChangeNotificationW(
        FolderOfWide(path_).c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
}

bool FileWatch::WaitForChange(FileStamp& stamp, const std::atomic<bool>& stop) {
    ULONGLONG first = 0, last = 0;  // the changes since the last look; 0: none
    ULONGLONG looked = ::GetTickCount64();
    while (!stop) {
        DWORD woke = WAIT_TIMEOUT;
        if (folder_) {
            woke = ::WaitForSingleObject(folder_.get(), kStep);
        } else {
            ::Sleep(kStep);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (woke == WAIT_OBJECT_0) {
            // Changes until the next wait are kept for it.
            if (!::FindNextChangeNotification(folder_.get())) folder_.reset();
            if (!first) first = now;
            last = now;
        } else if (woke != WAIT_TIMEOUT) {
            folder_.reset();
        }
        const bool settled = first && (now - last >= kQuiet || now - first >= kLongest);
        const bool due = !first && now - looked >= (folder_ ? kWatchedLook : kUnwatchedLook);
        if (!settled && !due) continue;
        first = last = 0;
        looked = now;
        const FileStamp seen = StampOf(path_);
        if (seen != stamp) {
            stamp = seen;
            return true;
        }
    }
    return false;
}
