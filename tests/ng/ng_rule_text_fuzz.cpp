// libFuzzer target for the rule file as the editor holds it (CTest
// fuzz_ng_rule_text, built natively by tests/tools/fuzz.sh).
// Input: one byte choosing the form, then either a rule file's bytes or the
// editor box's UTF-16 units (two bytes each, low first).
// Properties: what the editor writes reads back as the same text, and
// written again gives the same bytes; every line end is CR LF; and the line
// a refusing file names is the one the editor selects.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ng/ng_rule_text.h"
#include "ng/ng_rules.h"
#include "fuzz_check.h"

namespace {

std::string Utf8Of(std::wstring_view units) { return EditTextToRuleFile(units, false); }

void CheckLines(const std::wstring& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        FUZZ_CHECK(text[i] != L'\n' || (i > 0 && text[i - 1] == L'\r'), "every line end is CR LF");
    }
    for (std::size_t number = 1; number <= 4; ++number) {
        const TextSpan span = LineSpan(text, number);
        FUZZ_CHECK(span.start <= text.size() && span.length <= text.size() - span.start, "the line lies in the text");
        const std::wstring_view line = std::wstring_view(text).substr(span.start, span.length);
        FUZZ_CHECK(line.find(L'\n') == std::wstring_view::npos, "a line holds no line end");
        if (span.start == text.size()) continue;  // past the last line
        std::size_t ends = 0;
        for (std::size_t i = 0; i < span.start; ++i) ends += text[i] == L'\n';
        FUZZ_CHECK(ends == number - 1, "line N follows N - 1 line ends");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string file;
    if (data[0] & 1) {  // typed in the box: any units, lone surrogates too
        std::wstring box;
        for (std::size_t i = 0; i + 1 < input.size(); i += 2) {
            box += static_cast<wchar_t>(static_cast<std::uint8_t>(input[i]) |
                                        (static_cast<std::uint8_t>(input[i + 1]) << 8));
        }
        file = EditTextToRuleFile(box, (data[0] & 2) != 0);
    } else {
        file.assign(input);
    }
    std::wstring text;
    bool mark = false;
    if (!RuleFileToEditText(file, text, mark)) {
        FUZZ_CHECK(!(data[0] & 1), "what the editor writes is UTF-8");
        return 0;
    }
    CheckLines(text);
    const std::string written = EditTextToRuleFile(text, mark);
    std::wstring again;
    bool markAgain = false;
    FUZZ_CHECK(RuleFileToEditText(written, again, markAgain), "the written file reads back");
    FUZZ_CHECK(again == text && markAgain == mark, "the written file reads back as the same text");
    FUZZ_CHECK(EditTextToRuleFile(again, markAgain) == written, "written again, the same bytes");

    NgRuleSet rules;
    NgRuleError error;
    if (!rules.Parse(written, error)) {
        const TextSpan span = LineSpan(text, error.lineNumber);
        const std::string selected = Utf8Of(std::wstring_view(text).substr(span.start, span.length));
        FUZZ_CHECK(selected.find(error.line) != std::string::npos, "the refused line is the one selected");
    }
    return 0;
}
