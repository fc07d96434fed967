// libFuzzer target for the rule file and the matcher (CTest fuzz_ng_rules,
// built natively by tests/tools/fuzz.sh).
// Input: a rule file, then a zero byte, then a comment's text (UTF-8).
// Properties: a file that refuses a line names it and keeps nothing; the rule
// that hides the text is the first that a plain search finds (the word in the
// folded text, the pattern searched alone): the automaton misses no word and
// skips no pattern whose literal it thought absent, and the memo of texts met
// before answers as a search does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ng/ng_automaton.h"
#include "ng/ng_rules.h"
#include "fuzz_check.h"
#include "support/regex.h"

namespace {

bool IsPattern(const std::wstring& rule) {
    return rule.size() >= 3 && (rule[0] == L'r' || rule[0] == L'R') && (rule[1] == L'e' || rule[1] == L'E') &&
           rule[2] == L':';
}

// A rule with a prefix other than re: hides nothing of a comment that has
// only a text.
bool IsWord(const std::wstring& rule) {
    const std::size_t colon = rule.find(L':');
    if (colon == std::wstring::npos || colon == 0) return true;
    for (std::size_t i = 0; i < colon; ++i) {
        const wchar_t c = rule[i];
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view file = input.substr(0, split);
    NgRuleSet rules;
    NgRuleError error;
    if (!rules.Parse(file, error)) {
        FUZZ_CHECK(error.lineNumber != 0 && rules.Empty(), "a refused file names its line and keeps nothing");
        return 0;
    }
    std::wstring text;
    if (split == std::string_view::npos || !AppendUtf16(input.substr(split + 1), text)) return 0;

    NgComment comment;
    comment.text = &text;
    const std::size_t found = rules.Match(comment);
    const std::wstring folded = FoldText(text);
    std::size_t expected = NgRuleSet::kNone;
    for (std::size_t rule = 0; rule < rules.Size() && expected == NgRuleSet::kNone; ++rule) {
        const std::wstring& written = rules.RuleText(rule);
        if (IsPattern(written)) {
            if (WideRegex(written.substr(3)).Search(text)) expected = rule;
        } else if (IsWord(written) && folded.find(FoldText(written)) != std::wstring::npos) {
            expected = rule;
        }
    }
    FUZZ_CHECK(found == expected, "the first rule a plain search finds hides the text");
    // Met again, the text is answered from the memo: the same answer.
    NgRuleSet::PatternMemo memo;
    FUZZ_CHECK(rules.Match(comment, &memo) == expected && rules.Match(comment, &memo) == expected,
               "the memo answers as a search does");
    return 0;
}
