// The comments of one file as a viewer holds them: a record of fixed size per
// comment, and their texts in arenas (as received, folded for the search, and
// the ids and commands as UTF-8), so that a million comments take some hundred
// megabytes and no allocation of their own. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/comment_graph.h"
#include "export/subtitle_markup.h"

class ChatElement;
class CommentReader;

struct TableComment {
    static constexpr std::uint8_t kHasVpos = 1, kHasNo = 2, kHasDate = 4;
    static constexpr std::uint8_t kDeleted = 8;  // a placeholder of a deleted comment

    long long vpos = 0;  // hundredths of a second
    long long no = 0;
    long long date = 0;                      // Unix seconds
    std::uint32_t textAt = 0, textSize = 0;  // UTF-16 units in the text arena
    std::uint32_t foldedAt = 0;              // in the folded arena, up to the next NUL
    std::uint32_t userAt = 0, userSize = 0;  // bytes in the UTF-8 arena
    std::uint32_t mailAt = 0, mailSize = 0;
    CommentPosition position = CommentPosition::Scroll;
    std::uint8_t has = 0;

    bool Has(std::uint8_t field) const { return (has & field) != 0; }
};

class CommentTable {
public:
    std::size_t Size() const { return comments_.size(); }
    const TableComment& At(std::size_t i) const { return comments_[i]; }
    std::wstring_view Text(std::size_t i) const;
    std::string_view UserId(std::size_t i) const;  // UTF-8
    std::string_view Mail(std::size_t i) const;    // UTF-8

    // Every comment's folded text (FoldText) followed by a NUL, in the order
    // of the comments: one search runs over all of them at once. A comment's
    // text holds no NUL (the reader refuses it), so no match spans two.
    std::wstring_view FoldedTexts() const { return folded_; }
    // The comment whose folded text holds the position.
    std::size_t CommentAtFolded(std::size_t position) const;

    // Adds the chat element; text is its text in UTF-16. False, nothing
    // added, when an arena would pass 4 G units.
    bool Add(const ChatElement& chat, const std::wstring& text);
    // Room for about this many comments of the usual size.
    void Reserve(std::size_t comments);

private:
    std::vector<TableComment> comments_;
    std::wstring texts_;
    std::wstring folded_;
    std::string utf8_;
    std::wstring scratch_;
};

struct TableReading {
    std::size_t comments = 0;    // chat elements in the file
    std::size_t hidden = 0;      // left out by the filter
    long long hiddenReach = -1;  // the latest vpos among them: the timeline still reaches it
};

struct TableLoad {
    // True for a comment to leave out (the NG rules); may be empty.
    std::function<bool(const ChatElement& chat, const std::wstring& text)> hide;
    // Asked every few thousand comments: false stops the reading (a stop, or a
    // progress report that found the window gone).
    std::function<bool()> keepGoing;
};

// Reads every chat element of the open reader into the table. False with
// error set when the file turns out malformed or too large; false with error
// empty when keepGoing stopped it.
bool LoadCommentTable(CommentReader& reader, const TableLoad& load, CommentTable& table, TableReading& reading,
                      std::string& error);

// The table's comments (those whose flag is set, when only is given) on the
// timeline, the hidden and the deleted ones stretching it as far as they reach.
GraphFigures TableFigures(const CommentTable& table, const GraphTiming& timing, long long reach,
                          const std::vector<std::uint8_t>* only = nullptr);

// The list's orders, ascending: by time (vpos, then file order; comments
// without one last), by number and by posting date (each likewise).
struct CommentOrders {
    std::vector<std::uint32_t> byTime, byNo, byDate;
};
CommentOrders OrderComments(const CommentTable& table);
