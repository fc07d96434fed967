#include "viewer/comment_search.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include <string_view>

#include "ng/ng_automaton.h"
#include "support/regex.h"

namespace {

// Checked between pieces of the scan, so that the next key stops it soon.
constexpr std::size_t kScanPiece = 1 << 20;
constexpr std::size_t kPatternsBetweenChecks = 1024;

// Flags the comments whose folded text holds the folded word.
bool FindFolded(const CommentTable& table, std::wstring_view word, const std::atomic<bool>& stop,
                std::vector<std::uint8_t>& found) {
    const std::wstring_view all = table.FoldedTexts();
    std::size_t at = 0;
    while (at < all.size()) {
        if (stop) return false;
        // A match starting in this piece ends at most word.size() - 1 past it.
        const std::wstring_view piece = all.substr(at, kScanPiece + word.size() - 1);
        const std::size_t hit = piece.find(word);
        if (hit == std::wstring_view::npos) {
            at += kScanPiece;
            continue;
        }
        const std::size_t i = table.CommentAtFolded(at + hit);
        const std::size_t next = i + 1 < table.Size() ? table.At(i + 1).foldedAt : all.size();
        // A word holding NUL (comments may) can run over the NUL that ends a text.
        if (at + hit + word.size() >= next) {
            at += hit + 1;
            continue;
        }
        found[i] = 1;
        at = next;
    }
    return true;
}

}  // namespace

bool MatchComments(const CommentTable& table, const CommentQuery& query, const std::atomic<bool>& stop,
                   CommentMatches& matches) {
    matches = CommentMatches();
    if (query.text.empty()) return true;
    std::vector<std::uint8_t> hits(table.Size());
    if (!query.pattern) {
        if (!FindFolded(table, FoldText(query.text), stop, hits)) return false;
    } else {
        const WideRegex regex(query.text);
        if (!regex.Valid()) {
            matches.error = regex.Error();
            return true;
        }
        // Every match holds the literal in its folded text: the others are never tried.
        const std::wstring literal = AnalysePattern(query.text).literal;
        if (literal.empty()) {
            hits.assign(hits.size(), 1);
        } else if (!FindFolded(table, literal, stop, hits)) {
            return false;
        }
        WideRegex::Scratch scratch;
        for (std::size_t i = 0; i < hits.size(); ++i) {
            if (i % kPatternsBetweenChecks == 0 && stop) return false;
            if (!hits[i]) continue;
            const std::wstring_view text = table.Text(i);
            hits[i] = regex.Search(text.data(), text.data() + text.size(), scratch) ? 1 : 0;
        }
    }
    matches.active = true;
    for (std::uint8_t hit : hits) matches.count += hit;
    matches.hits = std::move(hits);
    return true;
}

std::vector<std::uint32_t> ListRows(const std::vector<std::uint32_t>& order, bool reverse,
                                    const CommentMatches& matches) {
    std::vector<std::uint32_t> rows;
    rows.reserve(matches.active ? matches.count : order.size());
    auto add = [&](std::uint32_t i) {
        if (!matches.active || matches.hits[i]) rows.push_back(i);
    };
    if (reverse) {
        for (auto it = order.rbegin(); it != order.rend(); ++it) add(*it);
    } else {
        for (std::uint32_t i : order) add(i);
    }
    return rows;
}

std::size_t CommentAtMoment(const CommentTable& table, const std::vector<std::uint32_t>& byTime,
                            const CommentMatches& matches, long long moment) {
    auto timed = [&](std::uint32_t i) { return table.At(i).Has(TableComment::kHasVpos); };
    auto shown = [&](std::uint32_t i) { return timed(i) && (!matches.active || matches.hits[i]); };
    const auto from = std::partition_point(byTime.begin(), byTime.end(),
                                           [&](std::uint32_t i) { return timed(i) && table.At(i).vpos < moment; });
    auto found = std::find_if(from, byTime.end(), shown);
    if (found == byTime.end()) {
        const auto before = std::find_if(std::make_reverse_iterator(from), byTime.rend(), shown);
        if (before == byTime.rend()) return kNoComment;
        found = std::prev(before.base());
    }
    return *found;
}

std::size_t FindSameComment(const CommentTable& table, const std::vector<std::uint32_t>& byNo,
                            const CommentTable& other, std::size_t comment) {
    const TableComment& wanted = other.At(comment);
    // As the order has them: comments without a number last.
    auto number = [](const TableComment& c) { return c.Has(TableComment::kHasNo) ? c.no : LLONG_MAX; };
    constexpr std::uint8_t kDated = TableComment::kHasNo | TableComment::kHasDate;
    const long long no = number(wanted);
    auto at = std::lower_bound(byNo.begin(), byNo.end(), no,
                               [&](std::uint32_t i, long long n) { return number(table.At(i)) < n; });
    std::size_t found = kNoComment;
    for (; at != byNo.end() && number(table.At(*at)) == no; ++at) {
        const TableComment& c = table.At(*at);
        if ((c.has & kDated) != (wanted.has & kDated) || c.no != wanted.no || c.date != wanted.date) continue;
        if (c.has == wanted.has && c.vpos == wanted.vpos && table.Text(*at) == other.Text(comment) &&
            table.UserId(*at) == other.UserId(comment)) {
            return *at;
        }
        if (found == kNoComment) found = *at;
    }
    return found;
}
