// Several comment files of one thread into one: every comment once (same
// thread and number), ordered by number. The inputs are read as streams side
// by side, each in the number order the message server sends, so memory
// holds one comment per input whatever the size of the files.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

struct MergeOptions {
    // Files of different threads are merged instead of refused.
    bool force = false;
    // Which file is newest: by the server_time of its thread element (the
    // later listed one when equal or missing), or simply the later listed.
    bool newestByServerTime = true;
    // Checked while merging: the output is then abandoned.
    const std::atomic<bool>* stop = nullptr;
};

enum class MergeOutcome { Saved, DifferentThreads, Unreadable, NotInOrder, NoComments, WriteFailed, Stopped };

struct MergeResult {
    MergeOutcome outcome = MergeOutcome::Unreadable;
    std::size_t read = 0;       // comments read from the inputs
    std::size_t written = 0;    // comments saved
    std::size_t differing = 0;  // numbers whose versions differed (the newest file's was kept)
};

// Writes the merged file at output through a temporary file, so an existing
// file there (even one of the inputs) is replaced only by a complete one. The
// result holds the newest file's thread element, the comments, and the newest
// view_counter (one with video="0" when no file has one). Failures are logged.
MergeResult MergeCommentFiles(const std::vector<std::string>& inputs, const std::string& output,
                              const MergeOptions& options);
