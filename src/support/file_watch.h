// Waits for one file to change on disk without asking the disk over and over:
// a change notification on its folder wakes the wait (a file written,
// truncated, made, or moved over another), and the file's stamp tells whether
// it was this file that changed.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "support/files.h"
#include "support/handles.h"

class FileWatch {
public:
    // Watches the file's folder from now on, so that no change after this call
    // goes unseen. The wait looks at the file every few seconds besides, and
    // every second where the folder gives no notifications.
    explicit FileWatch(const std::wstring& path);

    // Waits until the file's stamp differs from the one given, and no change
    // in the folder has come for a moment, so that a writer still busy with
    // the file is let finish; true with the new stamp. False when stop was set.
    bool WaitForChange(FileStamp& stamp, const std::atomic<bool>& stop);

    bool Watching() const { return static_cast<bool>(folder_); }

private:
    std::wstring path_;
    FolderWatchHandle folder_;
};
