// The word matching of the NG rules: one walk over a comment's text, folded
// as it goes, finds every word of the rules in it, and with them the
// literals that the rules' patterns cannot match without, so that a pattern
// whose literal is absent is never searched. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The text with Latin letters and katakana folded to one form each:
// full-width ASCII forms (U+FF01 to U+FF5E) become ASCII, capitals small
// letters, half-width katakana full-width with a following voiced or
// semi-voiced mark joined to the kana (ｶﾞ, カ U+3099 -> ガ; ﾊﾟ -> パ).
std::wstring FoldText(std::wstring_view text);
// The same, appended to out.
void AppendFolded(std::wstring_view text, std::wstring& out);

// What every match of a pattern holds, as far as its syntax tells (nothing is
// told of constructs beyond groups, classes, escapes and quantifiers).
struct PatternNeeds {
    // A run of characters, as its folded text finds it: empty when none can
    // be told (alternatives at the top, case folding).
    std::wstring literal;
    // Folded characters one of which every match holds: empty when none can
    // be told (a class other than a short list of plain characters and ranges).
    std::wstring anyOf;
    std::size_t leastUnits = 0;  // the UTF-16 units every match spans at least
};
PatternNeeds AnalysePattern(std::wstring_view pattern);

// Aho-Corasick over folded texts. Edges are kept sorted per node; the root's
// in a table of all UTF-16 units, since most steps of a walk start again from
// the root.
class NgAutomaton {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // A folded word that hides its comment by the rule.
    void AddWord(const std::wstring& folded, std::size_t rule);
    // A folded literal, reported by its bit (0 to 63) when the text holds it.
    void AddLiteral(const std::wstring& folded, int bit);
    // Links each node to its longest proper suffix; no Add after it.
    void Finish();
    bool Empty() const { return rule_.size() == 1; }

    struct Found {
        std::size_t rule;        // the first word rule below `before`, or kNone
        std::uint64_t literals;  // the bits of the literals the text holds
    };
    // One walk over the text. It ends early once no later finding can matter:
    // the first word rule of all is found and no literal below it is wanted.
    Found Walk(const std::wstring& text, std::size_t before, std::uint64_t wanted) const;

private:
    std::uint32_t Grow(const std::wstring& folded);
    std::uint32_t Next(std::uint32_t node, char32_t label) const;

    std::vector<std::map<char32_t, std::uint32_t>> building_{1};
    std::vector<std::size_t> rule_{kNone};    // per node: the first rule whose word ends here
    std::vector<std::uint64_t> literals_{0};  // per node: the literals that end here
    std::size_t first_ = kNone;               // the first word rule of all
    std::vector<std::uint32_t> firstEdge_, targets_, fail_, root_;
    std::vector<char32_t> labels_;
};
