#include "ng/ng_automaton.h"

#include <algorithm>
#include <cstdint>
#include <deque>

namespace {

// U+FF61 to U+FF9F in their full-width forms.
const wchar_t kHalfWidthKana[] =
    L"\x3002\x300C\x300D\x3001\x30FB\x30F2\x30A1\x30A3\x30A5\x30A7\x30A9\x30E3\x30E5\x30E7\x30C3\x30FC"
    L"\x30A2\x30A4\x30A6\x30A8\x30AA\x30AB\x30AD\x30AF\x30B1\x30B3\x30B5\x30B7\x30B9\x30BB\x30BD\x30BF"
    L"\x30C1\x30C4\x30C6\x30C8\x30CA\x30CB\x30CC\x30CD\x30CE\x30CF\x30D2\x30D5\x30D8\x30DB\x30DE\x30DF"
    L"\x30E0\x30E1\x30E2\x30E4\x30E6\x30E8\x30E9\x30EA\x30EB\x30EC\x30ED\x30EF\x30F3\x309B\x309C";

bool HaHifuheho(char32_t kana) {
    return kana == 0x30CF || kana == 0x30D2 || kana == 0x30D5 || kana == 0x30D8 || kana == 0x30DB;
}

// The kana with the voiced mark (ガ for カ), 0 when it takes none.
char32_t Voiced(char32_t kana) {
    if ((kana >= 0x30AB && kana <= 0x30C1 && (kana - 0x30AB) % 2 == 0) || kana == 0x30C4 || kana == 0x30C6 ||
        kana == 0x30C8 || HaHifuheho(kana)) {
        return kana + 1;
    }
    switch (kana) {
        case 0x30A6: return 0x30F4;  // ヴ
        case 0x30EF: return 0x30F7;  // ヷ
        case 0x30F2: return 0x30FA;  // ヺ
        default: return 0;
    }
}

// The folded character at p; p moves past what it took (a kana and its mark
// are one character).
inline char32_t FoldAt(const wchar_t*& p, const wchar_t* end) {
    char32_t c = static_cast<char32_t>(*p++);
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c >= 0xFF01 && c <= 0xFF5E) {
        c = c - 0xFF01 + 0x21;
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    }
    // The two letters outside ASCII whose small letter is ASCII: a pattern
    // that ignores case matches them by "k" and "i".
    if (c == 0x212A) return 'k';
    if (c == 0x0130) return 'i';
    if (c >= 0xFF61 && c <= 0xFF9F) {
        c = static_cast<char32_t>(kHalfWidthKana[c - 0xFF61]);
    } else if (c < 0x30A1 || c > 0x30FA) {
        return c;
    }
    if (p != end) {
        const char32_t mark = static_cast<char32_t>(*p);
        if ((mark == 0xFF9E || mark == 0x3099) && Voiced(c) != 0) {
            ++p;
            return Voiced(c);
        }
        if ((mark == 0xFF9F || mark == 0x309A) && HaHifuheho(c)) {
            ++p;
            return c + 2;
        }
    }
    return c;
}

// A kana that a following mark would join: a literal ending in one could
// fold otherwise inside a longer text.
bool TakesMark(wchar_t c) {
    const char32_t kana = c >= 0xFF61 && c <= 0xFF9F ? static_cast<char32_t>(kHalfWidthKana[c - 0xFF61]) : c;
    return Voiced(kana) != 0 || HaHifuheho(kana);
}

bool IsMark(wchar_t c) { return c == 0xFF9E || c == 0xFF9F || c == 0x3099 || c == 0x309A; }

// Reads a pattern's syntax as far as needed to know what every match holds:
// a run of characters, one of a few characters, and a least length. Gives up
// (nothing known) at anything it does not follow.
class LiteralScan {
public:
    explicit LiteralScan(std::wstring_view pattern) : p_(pattern) {
        // "(?i)" at the start: ASCII letters are found by their folded form
        // (every other letter's case is beyond the folding).
        if (p_.substr(0, 4) == L"(?i)") i_ = 4, ignoreCase_ = true;
    }

    PatternNeeds Needs() {
        Level level;
        if (!Sequence(level) || i_ != p_.size()) return PatternNeeds();
        PatternNeeds needs;
        if (!level.alternatives) needs.literal = level.best;
        needs.anyOf = level.anyOf;
        needs.leastUnits = level.least;
        return needs;
    }

private:
    // What a sequence of atoms up to ")" or the end holds.
    struct Level {
        std::wstring best;          // the longest run they all hold (with no "|" of this level)
        bool alternatives = false;  // a "|" of this level
        std::wstring anyOf;         // one of these is in every match; empty: none known
        std::size_t least = 0;      // units every match spans at least
    };
    // One atom's part of them.
    struct Atom {
        std::size_t least = 0;
        std::wstring anyOf;  // a character of these is in every match of the atom
    };

    static constexpr std::size_t kMostCharacters = 128;

    bool At(wchar_t c) const { return i_ < p_.size() && p_[i_] == c; }

    // A character that the folded text shows as itself: a kana that a mark
    // could join or a mark could fold into another; ignoring case, only an
    // ASCII one folds as the pattern would match it.
    bool Foldable(wchar_t c) const { return !TakesMark(c) && !IsMark(c) && !(ignoreCase_ && c >= 0x80); }

    bool Sequence(Level& level) {
        std::wstring run;
        // This alternative's least length and characters; those of the
        // alternatives before (every alternative must hold one of them).
        std::size_t least = 0, leastBefore = SIZE_MAX;
        std::wstring anyOf, anyOfBefore;
        bool anyOfKnown = true;
        auto flush = [&] {
            // A kana at the end could join a mark that follows in the text,
            // a mark at the start the kana before it: neither is kept.
            while (!run.empty() && TakesMark(run.back())) run.pop_back();
            std::size_t marks = 0;
            while (marks < run.size() && IsMark(run[marks])) ++marks;
            if (run.size() - marks > level.best.size()) level.best = run.substr(marks);
            run.clear();
        };
        auto endAlternative = [&] {
            leastBefore = std::min(leastBefore, least);
            if (anyOf.empty()) anyOfKnown = false;
            anyOfBefore += anyOf;
            least = 0;
            anyOf.clear();
        };
        while (i_ < p_.size() && !At(L')')) {
            const wchar_t c = p_[i_++];
            bool literal = false;
            Level inner;
            Atom atom{1, std::wstring()};
            if (c == L'|') {
                level.alternatives = true;
                flush();
                endAlternative();
                continue;
            } else if (c == L'(') {
                bool capturing = true;
                if (At(L'?')) {  // only "(?:"; lookarounds, flags, names and the rest are not followed
                    if (i_ + 1 >= p_.size() || p_[i_ + 1] != L':') return false;
                    i_ += 2;
                    capturing = false;
                }
                const std::size_t group = capturing ? groups_.size() : 0;
                if (capturing) groups_.push_back(0);  // unknown until it closes
                if (!Sequence(inner) || !At(L')')) return false;
                ++i_;
                if (capturing) groups_[group] = inner.least;
                atom = Atom{inner.least, inner.anyOf};
                if (inner.alternatives) inner.best.clear();
            } else if (c == L'[') {
                if (!Class(atom.anyOf)) return false;
            } else if (c == L'\\') {
                if (i_ >= p_.size()) return false;
                const wchar_t e = p_[i_++];
                // Escaped punctuation is itself; "\\d" and the like match one
                // character, "\\b" and the like none; "\\1" repeats a group
                // closed before; anything else ("\\x41", "\\<") is not followed.
                literal = std::wstring_view(L"\\.*+?()[]{}|^$/-:#!\",;=@%&~ ").find(e) != std::wstring_view::npos;
                if (e >= L'1' && e <= L'9') {
                    const std::size_t group = static_cast<std::size_t>(e - L'1');
                    atom.least = group < groups_.size() ? groups_[group] : 0;
                } else if (std::wstring_view(L"bBAzZ").find(e) != std::wstring_view::npos) {
                    atom.least = 0;
                } else if (!literal && std::wstring_view(L"dDwWsS").find(e) == std::wstring_view::npos) {
                    return false;
                }
                if (literal) run += e;  // taken back below when the quantifier allows none
                if (literal && Foldable(e)) atom.anyOf.assign(1, e);
            } else if (c == L'*' || c == L'+' || c == L'?' || c == L'{') {
                return false;  // a quantifier without an atom
            } else if (c == L'^' || c == L'$') {
                atom.least = 0;
            } else if (c != L'.') {
                literal = true;
                run += c;
                if (Foldable(c)) atom.anyOf.assign(1, c);
            }
            if (literal && ignoreCase_ && run.back() >= 0x80) {
                run.pop_back();
                flush();
                literal = false;
            }
            long long min = 1;
            bool repeats = false;
            if (!Quantifier(min, repeats)) return false;
            if (literal) {
                if (min == 0) {
                    run.pop_back();
                    flush();
                } else if (repeats) {
                    flush();
                }
            } else {
                flush();
                if (min > 0 && inner.best.size() > level.best.size()) level.best = inner.best;
            }
            // Saturated: a pattern asking for more than a text can hold
            // stays one that no text matches.
            const std::size_t times = static_cast<std::size_t>(min);
            const std::size_t span = atom.least != 0 && times > SIZE_MAX / atom.least ? SIZE_MAX : atom.least * times;
            least = span > SIZE_MAX - least ? SIZE_MAX : least + span;
            // The fewest characters one of which must be there.
            if (min > 0 && !atom.anyOf.empty() && (anyOf.empty() || atom.anyOf.size() < anyOf.size())) {
                anyOf = atom.anyOf;
            }
        }
        flush();
        endAlternative();
        level.least = leastBefore;
        if (anyOfKnown && anyOfBefore.size() <= kMostCharacters) level.anyOf = anyOfBefore;
        return true;
    }

    // After "[": to the "]" that ends the class; chars gets its characters
    // when they are a short list of plain ones and ranges (empty otherwise).
    bool Class(std::wstring& chars) {
        const std::size_t start = i_;
        if (!SkipClass()) return false;
        const std::wstring_view inside = p_.substr(start, i_ - 1 - start);
        chars.clear();
        if (inside.empty() || inside[0] == L'^') return true;
        for (std::size_t k = 0; k < inside.size(); ++k) {
            wchar_t first = inside[k];
            if (first == L'[' || first == L'\\') {
                // Escaped punctuation is itself; classes inside are beyond the list.
                if (first == L'[' || k + 1 == inside.size() ||
                    std::wstring_view(L"\\]-^[").find(inside[k + 1]) == std::wstring_view::npos) {
                    chars.clear();
                    return true;
                }
                first = inside[++k];
            }
            wchar_t last = first;
            if (k + 2 < inside.size() && inside[k + 1] == L'-') {
                if (inside[k + 2] == L'\\' || inside[k + 2] == L'[') {  // a range to an escape
                    chars.clear();
                    return true;
                }
                last = inside[k + 2];
                k += 2;
            }
            if (last < first || chars.size() + (last - first) + 1 > kMostCharacters) {
                chars.clear();
                return true;
            }
            for (wchar_t c = first;; ++c) {
                if (!Foldable(c)) {
                    chars.clear();
                    return true;
                }
                chars += c;
                if (c == last) break;
            }
        }
        return true;
    }

    // "*", "+", "?", "{n}", "{n,}", "{n,m}", each maybe lazy or possessive.
    bool Quantifier(long long& min, bool& repeats) {
        if (At(L'*') || At(L'?')) {
            repeats = At(L'*');
            min = 0;
            ++i_;
        } else if (At(L'+')) {
            repeats = true;
            ++i_;
        } else if (At(L'{')) {
            ++i_;
            long long low = 0, high = -1;
            if (!Number(low)) return false;
            if (At(L',')) {
                ++i_;
                if (!At(L'}') && !Number(high)) return false;
            } else {
                high = low;
            }
            if (!At(L'}')) return false;
            ++i_;
            min = low;
            repeats = high != 1;
        } else {
            return true;
        }
        if (At(L'?') || At(L'+')) ++i_;
        return true;
    }

    bool Number(long long& value) {
        const std::size_t start = i_;
        value = 0;
        while (i_ < p_.size() && p_[i_] >= L'0' && p_[i_] <= L'9' && i_ - start < 9)
            value = value * 10 + (p_[i_++] - L'0');
        return i_ != start;
    }

    // After "[": to the "]" that ends the class.
    bool SkipClass() {
        if (At(L'^')) ++i_;
        if (At(L']')) ++i_;
        while (i_ < p_.size()) {
            const wchar_t c = p_[i_++];
            if (c == L']') return true;
            if (c == L'\\') {
                ++i_;
            } else if (c == L'[' && (At(L':') || At(L'=') || At(L'.'))) {
                const wchar_t kind = p_[i_];
                const std::size_t close = p_.find(std::wstring{kind, L']'}, i_ + 1);
                if (close == std::wstring_view::npos) return false;
                i_ = close + 2;
            }
        }
        return false;
    }

    std::wstring_view p_;
    std::size_t i_ = 0;
    bool ignoreCase_ = false;
    std::vector<std::size_t> groups_;  // the least length of each capturing group, in order of opening
};

}  // namespace

std::wstring FoldText(std::wstring_view text) {
    std::wstring folded;
    AppendFolded(text, folded);
    return folded;
}

void AppendFolded(std::wstring_view text, std::wstring& out) {
    out.reserve(out.size() + text.size());
    const wchar_t* p = text.data();
    const wchar_t* const end = p + text.size();
    while (p != end) out += static_cast<wchar_t>(FoldAt(p, end));
}

PatternNeeds AnalysePattern(std::wstring_view pattern) {
    PatternNeeds needs = LiteralScan(pattern).Needs();
    needs.literal = FoldText(needs.literal);
    std::wstring folded;
    for (wchar_t c : needs.anyOf) {
        const wchar_t f = static_cast<wchar_t>(FoldText(std::wstring_view(&c, 1))[0]);
        if (folded.find(f) == std::wstring::npos) folded += f;
    }
    needs.anyOf = folded;
    return needs;
}

void NgAutomaton::AddWord(const std::wstring& folded, std::size_t rule) {
    const std::uint32_t node = Grow(folded);
    rule_[node] = std::min(rule_[node], rule);
    first_ = std::min(first_, rule);
}

void NgAutomaton::AddLiteral(const std::wstring& folded, int bit) {
    literals_[Grow(folded)] |= std::uint64_t{1} << bit;
}

std::uint32_t NgAutomaton::Grow(const std::wstring& folded) {
    std::uint32_t node = 0;
    for (wchar_t c : folded) {
        auto [it, added] = building_[node].emplace(static_cast<char32_t>(c), 0);
        if (added) {
            it->second = static_cast<std::uint32_t>(building_.size());
            building_.emplace_back();
            rule_.push_back(kNone);
            literals_.push_back(0);
        }
        node = it->second;
    }
    return node;
}

void NgAutomaton::Finish() {
    const std::size_t count = building_.size();
    firstEdge_.assign(count + 1, 0);
    for (std::size_t node = 0; node < count; ++node) {
        firstEdge_[node + 1] = firstEdge_[node] + static_cast<std::uint32_t>(building_[node].size());
        for (const auto& [label, target] : building_[node]) {
            labels_.push_back(label);
            targets_.push_back(target);
        }
    }
    root_.assign(0x10000, 0);
    for (std::uint32_t e = firstEdge_[0]; e < firstEdge_[1]; ++e) {
        if (labels_[e] < 0x10000) root_[labels_[e]] = targets_[e];
    }
    fail_.assign(count, 0);
    std::deque<std::uint32_t> queue{0};
    while (!queue.empty()) {
        const std::uint32_t node = queue.front();
        queue.pop_front();
        for (std::uint32_t e = firstEdge_[node]; e < firstEdge_[node + 1]; ++e) {
            const std::uint32_t child = targets_[e];
            std::uint32_t link = 0;
            if (node != 0) {
                std::uint32_t f = fail_[node];
                while ((link = Next(f, labels_[e])) == 0 && f != 0) f = fail_[f];
            }
            fail_[child] = link;
            // What ends inside this node's text ends here too.
            rule_[child] = std::min(rule_[child], rule_[link]);
            literals_[child] |= literals_[link];
            queue.push_back(child);
        }
    }
    decltype(building_)().swap(building_);
}

std::uint32_t NgAutomaton::Next(std::uint32_t node, char32_t label) const {
    if (node == 0 && label < 0x10000) return root_[label];
    const char32_t* first = labels_.data() + firstEdge_[node];
    const char32_t* last = labels_.data() + firstEdge_[node + 1];
    const char32_t* at = std::lower_bound(first, last, label);
    return at != last && *at == label ? targets_[static_cast<std::size_t>(at - labels_.data())] : 0;
}

NgAutomaton::Found NgAutomaton::Walk(const std::wstring& text, std::size_t before, std::uint64_t wanted) const {
    Found found{before, 0};
    std::uint32_t node = 0;
    const wchar_t* p = text.data();
    const wchar_t* const end = p + text.size();
    while (p != end && (found.rule > first_ || (wanted & ~found.literals) != 0)) {
        const char32_t c = FoldAt(p, end);
        for (;;) {
            const std::uint32_t next = Next(node, c);
            if (next != 0 || node == 0) {
                node = next;
                break;
            }
            node = fail_[node];
        }
        found.rule = std::min(found.rule, rule_[node]);
        found.literals |= literals_[node];
    }
    if (found.rule >= before) found.rule = kNone;
    return found;
}
