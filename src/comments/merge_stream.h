// The merge of comment files of one thread as streams: every comment once
// (one comment as comment_identity.h tells), ordered by number, each input
// read side by side in the number order the message server sends, so memory
// holds two comments per input whatever the size of the files (and a print of
// each comment of a number that several comments share). No files and no platform here:
// the caller opens the readers and says where the document goes
// (MergeCommentFiles, comment_merge.h), and the merge can be fuzzed natively.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comments/comment_reader.h"

struct MergeOptions {
    // Files of different threads are merged instead of refused.
    bool force = false;
    // Which file is newest: by the server_time of its thread element (the
    // later listed one when equal or missing), or simply the later listed.
    bool newestByServerTime = true;
    // The first input's version stands where versions differ (an archive keeps
    // a comment as it kept it, also when the site has since deleted it).
    bool firstWins = false;
    // Checked while merging: the output is then abandoned.
    const std::atomic<bool>* stop = nullptr;
};

// Unmergeable: a file that reads well but cannot be merged without losing or
// misplacing something (a comment without a usable number, a thread element
// after the comments, a comment that would not read back the same).
enum class MergeOutcome {
    Saved,
    DifferentThreads,
    Unreadable,
    NotInOrder,
    Unmergeable,
    NoComments,
    WriteFailed,
    Stopped
};

// read = written + identical + replaced.
struct MergeResult {
    MergeOutcome outcome = MergeOutcome::Unreadable;
    std::size_t read = 0;        // comments read from the inputs
    std::size_t written = 0;     // comments saved
    std::size_t identical = 0;   // copies of a comment saved once
    std::size_t differing = 0;   // numbers whose versions differed (the newest file's was kept)
    std::size_t replaced = 0;    // the other versions of those numbers, left out
    std::size_t unnumbered = 0;  // saved comments whose number tells nothing (shared, 0 or below, missing)
    std::size_t fromFirst = 0;   // saved comments that the first input held
};

struct MergeInput {
    std::string name;  // for the log
    CommentReader reader;
};

// Where the merged document goes.
class MergeOutput {
public:
    virtual ~MergeOutput() = default;
    // The next bytes of the document; false when they cannot be written.
    virtual bool Write(const std::string& bytes) = 0;
    // Each element as it goes into the document (thread, chat, view_counter).
    virtual void Element(const char* name, const ChatElement& element) {
        static_cast<void>(name);
        static_cast<void>(element);
    }
};

// Merges the opened inputs into out: the newest file's thread element, the
// comments, and the newest view_counter (one with video="0" when no file has
// one). What is written reads back as exactly these elements, or the merge
// stops with another outcome than Saved and the output must be abandoned.
// Lines for the user go to log; a failed write is the caller's to report.
MergeResult MergeStreams(std::vector<std::unique_ptr<MergeInput>>& inputs, const MergeOptions& options,
                         MergeOutput& out, const std::function<void(const std::string&)>& log);
