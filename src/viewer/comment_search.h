// The viewer's search and its list: the comments whose text holds a word
// (case and width folded as the NG words are) or matches a pattern, and the
// rows the list shows of them. Window-free.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/comment_table.h"

struct CommentQuery {
    std::wstring text;
    bool pattern = false;  // Perl syntax, as re: rules
};

struct CommentMatches {
    bool active = false;             // the query filters: not empty, and a pattern the library takes
    std::string error;               // why the library refused the pattern; nothing is filtered then
    std::vector<std::uint8_t> hits;  // per comment, 1 for a match (while active)
    std::size_t count = 0;
};

// The comments the query finds. A word is found in the folded texts in one
// pass over them all; a pattern is tried only on the comments whose folded
// text holds the literal it needs, when it has one. False, matches
// incomplete, when stop was set before the end.
bool MatchComments(const CommentTable& table, const CommentQuery& query, const std::atomic<bool>& stop,
                   CommentMatches& matches);

// The comment a click on the timeline at the moment (a vpos) picks: the first
// shown one (timed, and matched while the search is active) at or after it in
// byTime, else the last shown one before it; kNoComment when none is shown.
constexpr std::size_t kNoComment = static_cast<std::size_t>(-1);
std::size_t CommentAtMoment(const CommentTable& table, const std::vector<std::uint32_t>& byTime,
                            const CommentMatches& matches, long long moment);

// The comment of the table that is the other table's comment read again: the
// same number and date; of several such, the first with the same time, user
// and text too, else the first. kNoComment when none is. byNo is the table's
// order by number.
std::size_t FindSameComment(const CommentTable& table, const std::vector<std::uint32_t>& byNo,
                            const CommentTable& other, std::size_t comment);

// The list's rows: the comments in the order (reversed when asked), only
// those matched while the search is active.
std::vector<std::uint32_t> ListRows(const std::vector<std::uint32_t>& order, bool reverse,
                                    const CommentMatches& matches);
