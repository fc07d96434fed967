// libFuzzer target of the viewer's model (built natively by tests/tools/fuzz.sh).
// The input is a comment file, optionally followed by "\n<<<FIND>>>", a byte
// of options (1: pattern, 2: hide comments of odd length) and a search text.
// What the table keeps must read back as the reader handed it out, the
// search must find what a plain search of each comment finds, the orders
// must be orders, each comment must be found again in the same file, and the
// rows copied must parse back into the same texts.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/comment_cells.h"
#include "comments/comment_reader.h"
#include "viewer/comment_search.h"
#include "viewer/comment_table.h"
#include "ng/ng_automaton.h"
#include "ng/ng_rules.h"
#include "fuzz_check.h"
#include "support/regex.h"

namespace {

const char kSeparator[] = "\n<<<FIND>>>";

std::wstring Wide(std::string_view utf8) {
    std::wstring text;
    AppendUtf16(utf8, text);
    return text;
}

// The table's lines split back into fields, quotes undone as spreadsheets do.
std::vector<std::vector<std::wstring>> ParseRows(const std::wstring& text) {
    std::vector<std::vector<std::wstring>> rows(1, std::vector<std::wstring>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        std::wstring& field = rows.back().back();
        if (quoted) {
            if (c != L'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == L'"') {
                field += c, ++i;
            } else {
                quoted = false;
            }
        } else if (c == L'"' && field.empty()) {
            quoted = true;
        } else if (c == L'\t') {
            rows.back().emplace_back();
        } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            ++i;
            rows.emplace_back(1);
        } else {
            field += c;
        }
    }
    rows.pop_back();  // after the last line end
    return rows;
}

void CheckOrder(const CommentTable& table, const std::vector<std::uint32_t>& order, std::uint8_t field,
                long long TableComment::*value) {
    FUZZ_CHECK(order.size() == table.Size(), "an order holds every comment");
    std::vector<std::uint8_t> seen(table.Size());
    for (std::uint32_t i : order) FUZZ_CHECK(i < table.Size() && !seen[i]++, "an order holds each comment once");
    auto key = [&](std::uint32_t i) { return table.At(i).Has(field) ? table.At(i).*value : LLONG_MAX; };
    for (std::size_t i = 1; i < order.size(); ++i) {
        const long long a = key(order[i - 1]), b = key(order[i]);
        FUZZ_CHECK(a < b || (a == b && order[i - 1] < order[i]), "ordered by the key, then by the file");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::uint8_t options = 0;
    std::string find;
    const std::size_t separator = bytes.rfind(kSeparator);
    if (separator != std::string::npos && separator + sizeof kSeparator - 1 < bytes.size()) {
        options = static_cast<std::uint8_t>(bytes[separator + sizeof kSeparator - 1]);
        find = bytes.substr(separator + sizeof kSeparator);
        bytes.resize(separator);
    }

    CommentReader reader, again;
    CommentTable table;
    TableReading reading;
    std::string error;
    TableLoad load;
    if (options & 2) load.hide = [](const ChatElement&, const std::wstring& text) { return text.size() % 2 == 1; };
    if (!reader.OpenText(bytes) || !LoadCommentTable(reader, load, table, reading, error)) return 0;

    // Each comment kept reads back as the reader gave it.
    FUZZ_CHECK(again.OpenText(bytes), "the same bytes open again");
    std::size_t kept = 0;
    while (again.Next()) {
        const ChatElement& chat = again.Chat();
        const std::wstring text = Wide(chat.TextUtf8());
        if (load.hide && load.hide(chat, text)) continue;
        FUZZ_CHECK(kept < table.Size(), "no comment lost");
        FUZZ_CHECK(table.Text(kept) == text, "the text kept whole");
        std::string_view user, mail;
        chat.FindAttribute("user_id", user);
        chat.FindAttribute("mail", mail);
        FUZZ_CHECK(table.UserId(kept) == user && table.Mail(kept) == mail, "the id and the command kept whole");
        const TableComment& c = table.At(kept);
        long long vpos = 0;
        FUZZ_CHECK(chat.FindInteger("vpos", vpos) == c.Has(TableComment::kHasVpos) &&
                       (!c.Has(TableComment::kHasVpos) || vpos == c.vpos),
                   "the moment kept");
        const std::wstring folded = FoldText(text) + L'\0';
        FUZZ_CHECK(table.FoldedTexts().substr(c.foldedAt, folded.size()) == folded, "the folded text kept");
        FUZZ_CHECK(table.CommentAtFolded(c.foldedAt) == kept, "a folded place names its comment");
        ++kept;
    }
    FUZZ_CHECK(kept == table.Size() && reading.comments == kept + reading.hidden, "every comment counted once");

    const CommentOrders orders = OrderComments(table);
    CheckOrder(table, orders.byTime, TableComment::kHasVpos, &TableComment::vpos);
    CheckOrder(table, orders.byNo, TableComment::kHasNo, &TableComment::no);
    CheckOrder(table, orders.byDate, TableComment::kHasDate, &TableComment::date);

    // Read again unchanged, each comment is found as itself, or as an earlier
    // copy of it alike in everything.
    for (std::size_t i = 0; i < table.Size(); ++i) {
        const std::size_t same = FindSameComment(table, orders.byNo, table, i);
        FUZZ_CHECK(same <= i, "a comment read again is found, at the latest as itself");
        const TableComment &a = table.At(i), &b = table.At(same);
        FUZZ_CHECK(a.has == b.has && a.no == b.no && a.date == b.date && a.vpos == b.vpos &&
                       table.Text(i) == table.Text(same) && table.UserId(i) == table.UserId(same),
                   "the one found is alike");
    }

    // The search against a plain search of each comment.
    const std::wstring query = Wide(find);
    const bool pattern = (options & 1) != 0;
    CommentMatches matches;
    const std::atomic<bool> go{false};
    FUZZ_CHECK(MatchComments(table, CommentQuery{query, pattern}, go, matches), "a search runs to its end");
    const WideRegex regex(query);
    if (!query.empty() && (!pattern || regex.Valid())) {
        FUZZ_CHECK(matches.active && matches.hits.size() == table.Size(), "a query filters");
        for (std::size_t i = 0; i < table.Size(); ++i) {
            const std::wstring text(table.Text(i));
            const bool hit = pattern ? regex.Search(text) : FoldText(text).find(FoldText(query)) != std::wstring::npos;
            FUZZ_CHECK(matches.hits[i] == (hit ? 1 : 0), "the search finds what a plain search finds");
        }
    } else {
        FUZZ_CHECK(!matches.active && matches.error.empty() == !(pattern && !query.empty()),
                   "nothing filtered; a refused pattern says why");
    }

    // The rows copied read back whole.
    const std::vector<std::uint32_t> rows = ListRows(orders.byTime, (options & 4) != 0, matches);
    const auto parsed = ParseRows(CopiedRows(table, rows));
    FUZZ_CHECK(parsed.size() == rows.size(), "a line for each row");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        FUZZ_CHECK(parsed[r].size() == kViewerColumns, "a field for each column");
        FUZZ_CHECK(parsed[r][5] == table.Text(rows[r]), "the copied text reads back as the comment");
        FUZZ_CHECK(parsed[r][3] == Wide(table.UserId(rows[r])), "the copied id reads back");
    }
    return 0;
}
