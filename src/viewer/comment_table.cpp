#include "viewer/comment_table.h"

#include <algorithm>
#include <climits>

#include "comments/comment_reader.h"
#include "ng/ng_automaton.h"
#include "export/subtitle_markup.h"
#include "comments/xml_chars.h"

namespace {

constexpr std::size_t kArenaLimit = UINT32_MAX;

template <typename Arena>
std::string_view Slice(const Arena& arena, std::uint32_t at, std::uint32_t size) {
    return std::string_view(arena.data() + at, size);
}

// The indices ordered by the key, ties by index; keys a comment lacks last.
template <typename Key>
std::vector<std::uint32_t> OrderBy(const CommentTable& table, std::uint8_t field, Key key) {
    struct Entry {
        long long key;
        std::uint32_t index;
        bool operator<(const Entry& other) const { return key != other.key ? key < other.key : index < other.index; }
    };
    std::vector<Entry> entries(table.Size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TableComment& c = table.At(i);
        entries[i] = Entry{c.Has(field) ? key(c) : LLONG_MAX, static_cast<std::uint32_t>(i)};
    }
    // A file in the server's order is already in number order, and nearly so by date.
    if (!std::is_sorted(entries.begin(), entries.end())) std::sort(entries.begin(), entries.end());
    std::vector<std::uint32_t> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].index;
    return order;
}

}  // namespace

std::wstring_view CommentTable::Text(std::size_t i) const {
    return std::wstring_view(texts_.data() + comments_[i].textAt, comments_[i].textSize);
}

std::string_view CommentTable::UserId(std::size_t i) const {
    return Slice(utf8_, comments_[i].userAt, comments_[i].userSize);
}

std::string_view CommentTable::Mail(std::size_t i) const {
    return Slice(utf8_, comments_[i].mailAt, comments_[i].mailSize);
}

std::size_t CommentTable::CommentAtFolded(std::size_t position) const {
    const auto after = std::upper_bound(comments_.begin(), comments_.end(), position,
                                        [](std::size_t p, const TableComment& c) { return p < c.foldedAt; });
    return static_cast<std::size_t>(after - comments_.begin()) - 1;
}

void CommentTable::Reserve(std::size_t comments) {
    // A comment of the message server: about 12 characters of text, an id of
    // 27 bytes and a short command.
    comments_.reserve(comments);
    texts_.reserve(comments * 12);
    folded_.reserve(comments * 13);
    utf8_.reserve(comments * 32);
}

bool CommentTable::Add(const ChatElement& chat, const std::wstring& text) {
    std::string_view user, mail;
    chat.FindAttribute("user_id", user);
    chat.FindAttribute("mail", mail);
    // Folding never makes a text longer; the NUL follows it.
    if (texts_.size() + text.size() > kArenaLimit || folded_.size() + text.size() + 1 > kArenaLimit ||
        utf8_.size() + user.size() + mail.size() > kArenaLimit) {
        return false;
    }
    TableComment c;
    if (chat.FindInteger("vpos", c.vpos)) c.has |= TableComment::kHasVpos;
    if (chat.FindInteger("no", c.no)) c.has |= TableComment::kHasNo;
    if (chat.FindInteger("date", c.date)) c.has |= TableComment::kHasDate;
    if (chat.Deleted()) c.has |= TableComment::kDeleted;
    c.position = MailPosition(mail, scratch_);
    c.textAt = static_cast<std::uint32_t>(texts_.size());
    c.textSize = static_cast<std::uint32_t>(text.size());
    texts_ += text;
    c.foldedAt = static_cast<std::uint32_t>(folded_.size());
    AppendFolded(text, folded_);
    folded_ += L'\0';
    c.userAt = static_cast<std::uint32_t>(utf8_.size());
    c.userSize = static_cast<std::uint32_t>(user.size());
    utf8_ += user;
    c.mailAt = static_cast<std::uint32_t>(utf8_.size());
    c.mailSize = static_cast<std::uint32_t>(mail.size());
    utf8_ += mail;
    comments_.push_back(c);
    return true;
}

bool LoadCommentTable(CommentReader& reader, const TableLoad& load, CommentTable& table, TableReading& reading,
                      std::string& error) {
    error.clear();
    reading = TableReading();
    std::wstring text;
    while (reader.Next()) {
        const ChatElement& chat = reader.Chat();
        ++reading.comments;
        text.clear();
        AppendUtf16Units(chat.TextUtf8(), text);  // the reader hands out well-formed UTF-8
        if (load.hide && load.hide(chat, text)) {
            ++reading.hidden;
            long long vpos = 0;
            if (chat.FindInteger("vpos", vpos)) reading.hiddenReach = std::max(reading.hiddenReach, vpos);
        } else if (!table.Add(chat, text)) {
            error = "コメントの文字が多すぎて表示できません (40億文字まで)";
            return false;
        }
        if (reading.comments % 4096 == 0 && load.keepGoing && !load.keepGoing()) return false;
    }
    if (reader.Failed()) {
        error = reader.Error();
        return false;
    }
    return true;
}

GraphFigures TableFigures(const CommentTable& table, const GraphTiming& timing, long long reach,
                          const std::vector<std::uint8_t>* only) {
    GraphCounter counter(timing);
    for (std::size_t i = 0; i < table.Size(); ++i) {
        const TableComment& c = table.At(i);
        if (!c.Has(TableComment::kHasVpos) || (only && !(*only)[i])) continue;
        if (c.Has(TableComment::kDeleted)) {
            counter.Reach(c.vpos);
        } else {
            counter.Add(c.vpos, c.position);
        }
    }
    if (reach >= 0) counter.Reach(reach);
    return counter.Finish();
}

CommentOrders OrderComments(const CommentTable& table) {
    CommentOrders orders;
    orders.byTime = OrderBy(table, TableComment::kHasVpos, [](const TableComment& c) { return c.vpos; });
    orders.byNo = OrderBy(table, TableComment::kHasNo, [](const TableComment& c) { return c.no; });
    orders.byDate = OrderBy(table, TableComment::kHasDate, [](const TableComment& c) { return c.date; });
    return orders;
}
