#include "export/ng_rules.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <deque>
#include <utility>

#include "support/regex.h"
#include "support/utf8.h"

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

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Blanks (ASCII and the ideographic space, E3 80 80) dropped at both ends.
std::string_view TrimBlanks(std::string_view text) {
    for (;;) {
        if (!text.empty() && IsBlankByte(text.front())) {
            text.remove_prefix(1);
        } else if (text.size() >= 3 && text.substr(0, 3) == "\xE3\x80\x80") {
            text.remove_prefix(3);
        } else {
            break;
        }
    }
    for (;;) {
        if (!text.empty() && IsBlankByte(text.back())) {
            text.remove_suffix(1);
        } else if (text.size() >= 3 && text.substr(text.size() - 3) == "\xE3\x80\x80") {
            text.remove_suffix(3);
        } else {
            break;
        }
    }
    return text;
}

bool HasBlank(std::string_view text) {
    return text.find_first_of(" \t") != std::string_view::npos || text.find("\xE3\x80\x80") != std::string_view::npos;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Up to max decimal digits (at least one); false otherwise.
bool ReadDigits(std::string_view& text, std::size_t min, std::size_t max, long long& value) {
    std::size_t n = 0;
    value = 0;
    while (n < text.size() && n < max && text[n] >= '0' && text[n] <= '9') value = value * 10 + (text[n++] - '0');
    if (n < min) return false;
    text.remove_prefix(n);
    return true;
}

bool Skip(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

// "m:ss", "mm:ss" or "h:mm:ss" in hundredths of a second.
bool ParseVideoTime(std::string_view text, long long& hundredths) {
    long long first, second, third;
    if (!ReadDigits(text, 1, 2, first) || !Skip(text, ':') || !ReadDigits(text, 2, 2, second) || second > 59) {
        return false;
    }
    if (text.empty()) {
        hundredths = (first * 60 + second) * 100;
        return true;
    }
    if (!Skip(text, ':') || !ReadDigits(text, 2, 2, third) || third > 59 || !text.empty()) return false;
    hundredths = (first * 3600 + second * 60 + third) * 100;
    return true;
}

bool LeapYear(long long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM" in local time, as Unix seconds.
bool ParseLocalDate(std::string_view text, long long& seconds) {
    long long year, month, day, hour = 0, minute = 0;
    if (!ReadDigits(text, 4, 4, year) || !Skip(text, '-') || !ReadDigits(text, 1, 2, month) || !Skip(text, '-') ||
        !ReadDigits(text, 1, 2, day)) {
        return false;
    }
    if (!text.empty() && (!Skip(text, ' ') || !ReadDigits(text, 1, 2, hour) || !Skip(text, ':') ||
                          !ReadDigits(text, 2, 2, minute) || !text.empty())) {
        return false;
    }
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59) return false;
    if (day > kDays[month - 1] + (month == 2 && LeapYear(year) ? 1 : 0)) return false;
    std::tm local{};
    local.tm_year = static_cast<int>(year - 1900);
    local.tm_mon = static_cast<int>(month - 1);
    local.tm_mday = static_cast<int>(day);
    local.tm_hour = static_cast<int>(hour);
    local.tm_min = static_cast<int>(minute);
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1)) return false;
    seconds = static_cast<long long>(t);
    return true;
}

// "FROM<separator>TO", each part empty (an open end) or read by parse.
template <typename Parse>
bool ParseRange(std::string_view text, std::string_view separator, Parse parse, long long& from, long long& to) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) return false;
    const std::string_view first = TrimBlanks(text.substr(0, at));
    const std::string_view last = TrimBlanks(text.substr(at + separator.size()));
    from = LLONG_MIN;
    to = LLONG_MAX;
    if (!first.empty() && !parse(first, from)) return false;
    if (!last.empty() && !parse(last, to)) return false;
    return from < to;
}

}  // namespace

std::wstring FoldText(std::wstring_view text) {
    std::wstring folded;
    folded.reserve(text.size());
    const wchar_t* p = text.data();
    const wchar_t* const end = p + text.size();
    while (p != end) folded += static_cast<wchar_t>(FoldAt(p, end));
    return folded;
}

// Aho-Corasick over the folded words: one walk over the text finds every word
// in it. Edges are kept sorted per node; the root's in a table of all UTF-16
// units, since most steps of a walk start again from the root.
class NgRuleSet::WordAutomaton {
public:
    void Add(const std::wstring& folded, std::size_t rule) {
        std::uint32_t node = 0;
        for (wchar_t c : folded) {
            auto [it, added] = building_[node].emplace(static_cast<char32_t>(c), 0);
            if (added) {
                it->second = static_cast<std::uint32_t>(building_.size());
                building_.emplace_back();
                rule_.push_back(kNone);
            }
            node = it->second;
        }
        rule_[node] = std::min(rule_[node], rule);
        first_ = std::min(first_, rule);
    }

    // Flattens the trie and links each node to its longest proper suffix.
    void Finish() {
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
                rule_[child] = std::min(rule_[child], rule_[link]);  // words ending inside this one
                queue.push_back(child);
            }
        }
        decltype(building_)().swap(building_);
    }

    // The first rule before `before` whose word the text holds, or kNone.
    std::size_t Match(const std::wstring& text, std::size_t before) const {
        std::size_t best = before;
        std::uint32_t node = 0;
        const wchar_t* p = text.data();
        const wchar_t* const end = p + text.size();
        while (p != end && best > first_) {
            const char32_t c = FoldAt(p, end);
            for (;;) {
                const std::uint32_t next = Next(node, c);
                if (next != 0 || node == 0) {
                    node = next;
                    break;
                }
                node = fail_[node];
            }
            best = std::min(best, rule_[node]);
        }
        return best < before ? best : kNone;
    }

private:
    // The child by the label; 0 (the root) when there is none.
    std::uint32_t Next(std::uint32_t node, char32_t label) const {
        if (node == 0 && label < 0x10000) return root_[label];
        const char32_t* first = labels_.data() + firstEdge_[node];
        const char32_t* last = labels_.data() + firstEdge_[node + 1];
        const char32_t* at = std::lower_bound(first, last, label);
        return at != last && *at == label ? targets_[static_cast<std::size_t>(at - labels_.data())] : 0;
    }

    std::vector<std::map<char32_t, std::uint32_t>> building_{1};
    std::vector<std::size_t> rule_{kNone};  // per node: the first rule whose word ends here
    std::size_t first_ = kNone;             // the first word rule of all
    std::vector<std::uint32_t> firstEdge_, targets_, fail_, root_;
    std::vector<char32_t> labels_;
};

NgRuleSet::NgRuleSet() = default;
NgRuleSet::~NgRuleSet() = default;
NgRuleSet::NgRuleSet(NgRuleSet&&) noexcept = default;
NgRuleSet& NgRuleSet::operator=(NgRuleSet&&) noexcept = default;

bool NgRuleSet::Parse(std::string_view file, NgRuleError& error) {
    *this = NgRuleSet();
    if (file.substr(0, 3) == "\xEF\xBB\xBF") file.remove_prefix(3);
    auto words = std::make_unique<WordAutomaton>();
    bool hasWords = false;
    for (std::size_t number = 1; !file.empty() || number == 1; ++number) {
        const std::size_t end = std::min(file.find('\n'), file.size());
        const std::string_view line = TrimBlanks(file.substr(0, end));
        file.remove_prefix(std::min(end + 1, file.size()));
        if (line.empty() || line.front() == '#') continue;
        error.lineNumber = number;
        error.line.assign(line.data(), line.size());
        error.detail.clear();
        std::wstring text;
        if (!AppendUtf16(line, text)) {
            error.fault = NgRuleFault::NotUtf8;
            *this = NgRuleSet();
            return false;
        }
        const bool word = line.find(':') == std::string_view::npos ||
                          !std::all_of(line.begin(), line.begin() + line.find(':'), [](char c) {
                              return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                          }) ||
                          line.front() == ':';
        if (word) {
            words->Add(FoldText(text), rules_.size());
            rules_.push_back(std::move(text));
            hasWords = true;
        } else if (!AddLine(line, std::move(text), error)) {
            *this = NgRuleSet();
            return false;
        }
    }
    if (hasWords) {
        words->Finish();
        words_ = std::move(words);
    }
    return true;
}

bool NgRuleSet::AddLine(std::string_view line, std::wstring text, NgRuleError& error) {
    const std::size_t colon = line.find(':');
    std::string prefix(line.substr(0, colon));
    std::transform(prefix.begin(), prefix.end(), prefix.begin(), LowerAscii);
    const std::string_view raw = line.substr(colon + 1);
    const std::string_view value = TrimBlanks(raw);
    const std::size_t rule = rules_.size();
    auto fail = [&](NgRuleFault fault) {
        error.fault = fault;
        return false;
    };
    if (prefix != "re" && prefix != "user" && prefix != "mail" && prefix != "time" && prefix != "date") {
        return fail(NgRuleFault::UnknownPrefix);
    }
    if (value.empty()) return fail(NgRuleFault::Empty);
    if (prefix == "re") {
        // The pattern as written after "re:", blanks included.
        std::wstring pattern = text.substr(text.find(L':') + 1);
        auto regex = std::make_unique<WideRegex>(pattern);
        if (!regex->Valid()) {
            error.detail = regex->Error();
            return fail(NgRuleFault::BadPattern);
        }
        patterns_.push_back(Pattern{std::move(regex), rule});
    } else if (prefix == "user") {
        users_.emplace(std::string(value), rule);
    } else if (prefix == "mail") {
        if (HasBlank(value)) return fail(NgRuleFault::BadMail);
        std::string word(value);
        std::transform(word.begin(), word.end(), word.begin(), LowerAscii);
        mailWords_.emplace(std::move(word), rule);
    } else if (prefix == "time") {
        long long from, to;
        if (!ParseRange(value, "-", ParseVideoTime, from, to)) return fail(NgRuleFault::BadTime);
        times_.push_back(Range{from, to, rule});
    } else {
        long long from, to;
        if (!ParseRange(value, "..", ParseLocalDate, from, to)) return fail(NgRuleFault::BadDate);
        dates_.push_back(Range{from, to, rule});
    }
    rules_.push_back(std::move(text));
    return true;
}

bool NgRuleSet::AddPattern(const std::wstring& pattern, const std::wstring& label, std::string& error) {
    auto regex = std::make_unique<WideRegex>(pattern);
    if (!regex->Valid()) {
        error = regex->Error();
        return false;
    }
    patterns_.push_back(Pattern{std::move(regex), rules_.size()});
    rules_.push_back(label);
    return true;
}

std::size_t NgRuleSet::FirstMailWord(std::string_view mail, std::size_t before) const {
    std::size_t best = before;
    std::string word;
    while (!mail.empty()) {
        mail = TrimBlanks(mail);
        std::size_t end = 0;
        while (end < mail.size() && !IsBlankByte(mail[end]) && mail.substr(end, 3) != "\xE3\x80\x80") ++end;
        word.assign(mail.data(), end);
        std::transform(word.begin(), word.end(), word.begin(), LowerAscii);
        const auto it = mailWords_.find(word);
        if (it != mailWords_.end()) best = std::min(best, it->second);
        mail.remove_prefix(end);
    }
    return best;
}

std::size_t NgRuleSet::Match(const NgComment& comment) const {
    std::size_t best = kNone;
    if (!users_.empty() && !comment.userId.empty()) {
        const auto it = users_.find(comment.userId);
        if (it != users_.end()) best = it->second;
    }
    if (!mailWords_.empty()) best = FirstMailWord(comment.mail, best);
    auto inRange = [&best](const std::vector<Range>& ranges, long long value) {
        for (const Range& range : ranges) {
            if (range.rule < best && value >= range.from && value < range.to) best = range.rule;
        }
    };
    if (comment.hasVpos) inRange(times_, comment.vpos);
    if (comment.hasDate) inRange(dates_, comment.date);
    if (comment.text) {
        if (words_) best = std::min(best, words_->Match(*comment.text, best));
        // In file order, so the first that matches decides; none after best can change it.
        for (const Pattern& pattern : patterns_) {
            if (pattern.rule >= best) break;
            if (pattern.regex->Search(*comment.text)) best = pattern.rule;
        }
    }
    return best;
}

NgFilter::NgFilter(NgRuleSet rules) : rules_(std::move(rules)) {}

bool NgFilter::Hides(const NgComment& comment) {
    const std::size_t rule = rules_.Match(comment);
    if (rule == NgRuleSet::kNone) return false;
    if (hits_.size() < rules_.Size()) hits_.resize(rules_.Size());
    ++hits_[rule];
    ++excluded_;
    return true;
}

std::vector<NgFilter::RuleHits> NgFilter::TopRules(std::size_t max) const {
    std::vector<RuleHits> top;
    for (std::size_t rule = 0; rule < hits_.size(); ++rule) {
        if (hits_[rule] != 0) top.push_back(RuleHits{hits_[rule], rule});
    }
    std::stable_sort(top.begin(), top.end(), [](const RuleHits& a, const RuleHits& b) { return a.hits > b.hits; });
    if (top.size() > max) top.resize(max);
    return top;
}
