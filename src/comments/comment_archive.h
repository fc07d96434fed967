// The archive of a video: one comment file that every fetch adds to. A round
// merges the replies into it as streams (memory does not grow with the
// archive) and replaces it in one step under a lock that every writer takes:
// a kill at any moment leaves the old archive or the new one, each whole.
// Which chats are one comment: comment_identity.h; a comment already kept
// stays as it was kept.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

enum class ArchiveOutcome {
    Merged,
    Unusable,     // damaged, not a comment file, or another thread's: left as it is
    Locked,       // another writer held it for the whole wait
    WriteFailed,  // logged
    Stopped,
};

struct ArchiveResult {
    ArchiveOutcome outcome = ArchiveOutcome::Unusable;
    std::string why;  // for Unusable and Locked, shown after the path
    std::size_t added = 0, total = 0;
    long long lowest = 0, highest = 0;  // of the numbers that identify comments; 0 without
    std::size_t lacking = 0;            // numbers between them that no reply held
};

// How long a writer waits for another.
constexpr unsigned long kArchiveLockWaitMs = 60 * 1000;

// The highest number the archive holds, read from its end (a full read only
// when the end does not tell); false when there is no archive or no number.
bool ArchiveHighest(const std::wstring& archive, long long& highest);

// Merges the reply files (oldest first: the last one's thread element and
// view_counter stand) into the archive, made when missing. Logs failures to
// write; the caller reports the others.
ArchiveResult MergeIntoArchive(const std::wstring& archive, const std::vector<std::wstring>& replies,
                               const std::atomic<bool>* stop, unsigned long lockWaitMs = kArchiveLockWaitMs);
