// When two chats are one comment. The merge, the archive and the data
// export's missing ranges all go by this.
//
// Chats identical in every attribute and in their text are one comment (the
// overlap of two fetches). A number tells comments apart only where the file
// says so: within one thread, numbers of 1 and above that no two different
// chats of one input share. Live-broadcast logs number every chat -1 and shared
// files are often renumbered (every chat 1): their chats differ by content
// alone, and a missing number or one of 0 or below is never an identity.
// Comment files stand in number order, so chats that share a number stand
// together: a reader in order learns it from the chat that follows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "comments/comment_reader.h"

// Same text and the same attributes, in whatever order they stand.
bool SameComment(const ChatElement& a, const ChatElement& b);

// A digest of all SameComment compares: equal comments give equal prints, and
// different ones (but for a chance of 2^-128) different prints.
struct CommentPrint {
    std::uint64_t high = 0, low = 0;
    bool operator==(const CommentPrint& other) const { return high == other.high && low == other.low; }
};
CommentPrint PrintOf(const ChatElement& chat);

// Whether the number identifies its comment, shared telling whether two
// different chats of one input carry it.
inline bool NumberIdentifies(long long no, bool shared) { return no >= 1 && !shared; }

// Follows the chats of one input in their order and settles, as the input
// moves from one number to the next, whether the number it leaves identifies
// its comment.
class IdentifyingNumbers {
public:
    // The chat's thread and number; true when the number before it has been
    // settled as an identity (given in thread and no).
    bool Next(std::string_view chatThread, long long chatNo, const ChatElement& chat, std::string& thread,
              long long& no);
    // After the last chat: the same for the last number.
    bool Finish(std::string& thread, long long& no);

private:
    bool Settle(std::string& thread, long long& no);

    bool has_ = false;
    bool shared_ = false;
    std::string thread_;
    long long no_ = 0;
    CommentPrint print_;
};
