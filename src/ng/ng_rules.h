// NG rules: the lines of the rule file, and which comment they hide. One rule
// a line; a comment is tested once against all of them however many there
// are: the words through one automaton, user ids and mail words through
// sets, the ranges one by one, the patterns last and only while they could
// still decide. Window-free.
//
//     WORD            the text holds WORD (case and width folded: FoldText)
//     re:PATTERN      PATTERN (Perl syntax) is found in the text
//     user:ID         the user_id is ID
//     mail:WORD       one of the mail's blank-separated words is WORD
//     time:FROM-TO    vpos in [FROM, TO): m:ss, mm:ss or h:mm:ss, either may be empty
//     date:FROM..TO   posted in [FROM, TO), local time: YYYY-MM-DD [HH:MM], either may be empty
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/regex.h"

class NgAutomaton;

// What the rules look at in one comment.
struct NgComment {
    const std::wstring* text = nullptr;  // null: no word or pattern rule can hide it
    std::string_view userId;             // UTF-8 as the comment file holds it
    std::string_view mail;               // UTF-8
    bool hasVpos = false;
    long long vpos = 0;  // hundredths of a second
    bool hasDate = false;
    long long date = 0;  // Unix seconds
};

enum class NgRuleFault {
    NotUtf8,        // the line is not UTF-8
    UnknownPrefix,  // "xyz:..." with a prefix we do not know
    Empty,          // a prefix without anything after it
    BadPattern,     // re: the library refused it (detail says why)
    BadMail,        // mail: more than one word
    BadTime,        // time: not m:ss, mm:ss or h:mm:ss, or an empty range
    BadDate,        // date: not YYYY-MM-DD [HH:MM], not a local time, or an empty range
};

struct NgRuleError {
    std::size_t lineNumber = 0;  // from 1
    std::string line;            // the line as the file holds it (UTF-8, line end dropped)
    NgRuleFault fault = NgRuleFault::UnknownPrefix;
    std::string detail;  // the pattern library's message
};

// UTF-8 as UTF-16 code units (characters above U+FFFF as surrogate pairs),
// appended to out. False, out unchanged, when the text is not well-formed.
bool AppendUtf16(std::string_view utf8, std::wstring& out);

class NgRuleSet {
public:
    NgRuleSet();
    ~NgRuleSet();
    NgRuleSet(NgRuleSet&&) noexcept;
    NgRuleSet& operator=(NgRuleSet&&) noexcept;

    // Reads the whole rule file (UTF-8, with or without a byte-order mark;
    // LF or CR LF). Empty lines and lines starting with "#" are skipped,
    // blanks at both ends dropped. False at the first line that does not
    // parse, with error naming it; the set holds nothing then.
    bool Parse(std::string_view file, NgRuleError& error);

    // One more pattern rule after the file's (the subtitle export's Exclude
    // key), shown as label. False, nothing added, when the library refuses it.
    bool AddPattern(const std::wstring& pattern, const std::wstring& label, std::string& error);

    std::size_t Size() const { return rules_.size(); }
    bool Empty() const { return rules_.empty(); }
    // The rule as written (blanks at the ends dropped).
    const std::wstring& RuleText(std::size_t rule) const { return rules_[rule]; }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // What the patterns made of short texts met before. Comments repeat
    // ("ｗｗｗ", "8888") and a pattern search is the dearest step of a match.
    // Fixed in size; one per thread.
    class PatternMemo {
    private:
        friend class NgRuleSet;
        struct Slot {
            std::wstring text;
            std::size_t limit = 0;     // the patterns before it were searched
            std::size_t rule = kNone;  // the first of them that matched, or kNone
        };
        std::vector<Slot> slots_;
        WideRegex::Scratch scratch_;
    };

    // The first rule in file order that hides the comment, or kNone.
    std::size_t Match(const NgComment& comment, PatternMemo* memo = nullptr) const;

private:
    struct Range {
        long long from, to;  // [from, to); open ends are the type's limits
        std::size_t rule;
    };
    struct Pattern {
        std::unique_ptr<WideRegex> regex;
        std::size_t rule;
        std::wstring literal;        // folded; every match holds it (empty: unknown)
        std::wstring anyOf;          // folded; every match holds one of them (empty: unknown)
        std::size_t leastUnits = 0;  // a shorter text cannot match
        int bit = -1;                // the literal's (else anyOf's) bit in the automaton; -1: searched always
    };

    bool AddLine(std::string_view line, std::wstring text, NgRuleError& error);
    // A pattern with what every match of it holds.
    void AddPatternNeeds(std::unique_ptr<WideRegex> regex, std::size_t rule, const std::wstring& pattern);
    // The first pattern before limit that the text matches, or kNone.
    std::size_t FirstPattern(const std::wstring& text, std::size_t limit, std::uint64_t literals,
                             PatternMemo* memo) const;
    // Builds the automaton of the words and the patterns' literals.
    void Prepare();
    std::size_t FirstMailWord(std::string_view mail, std::size_t before) const;

    std::vector<std::wstring> rules_;
    std::map<std::string, std::size_t, std::less<>> users_;      // UTF-8 id -> first rule
    std::map<std::string, std::size_t, std::less<>> mailWords_;  // small letters -> first rule
    std::vector<Range> times_, dates_;
    std::vector<Pattern> patterns_;
    std::vector<std::pair<std::wstring, std::size_t>> words_;  // folded, rule
    std::unique_ptr<NgAutomaton> automaton_;
};

// A rule set in use for one export: it counts what each rule hides.
class NgFilter {
public:
    explicit NgFilter(NgRuleSet rules);

    // True when a rule hides the comment; the first such rule is counted.
    bool Hides(const NgComment& comment);

    NgRuleSet& Rules() { return rules_; }
    const NgRuleSet& Rules() const { return rules_; }
    std::size_t Excluded() const { return excluded_; }
    std::size_t Hits(std::size_t rule) const { return rule < hits_.size() ? hits_[rule] : 0; }

    struct RuleHits {
        std::size_t hits;
        std::size_t rule;
    };
    // The rules that hid anything, most first (file order among equals), at most max.
    std::vector<RuleHits> TopRules(std::size_t max) const;

private:
    NgRuleSet rules_;
    NgRuleSet::PatternMemo memo_;
    std::vector<std::size_t> hits_;
    std::size_t excluded_ = 0;
};
