#include "ng/ng_rules.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <deque>
#include <utility>

#include "ng/ng_automaton.h"
#include "comments/xml_chars.h"
#include "support/regex.h"

namespace {

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

bool AppendUtf16(std::string_view utf8, std::wstring& out) {
    // Checked first, so the decoding below meets whole, well-formed sequences.
    for (std::size_t at = 0; at < utf8.size();) {
        TextFault fault;
        at += CheckUtf8(utf8.data() + at, utf8.size() - at, fault);
        if (at == utf8.size()) break;
        if (fault != TextFault::Control) return false;  // not UTF-8, or cut short
        ++at;
    }
    AppendUtf16Units(utf8, out);
    return true;
}

NgRuleSet::NgRuleSet() = default;
NgRuleSet::~NgRuleSet() = default;
NgRuleSet::NgRuleSet(NgRuleSet&&) noexcept = default;
NgRuleSet& NgRuleSet::operator=(NgRuleSet&&) noexcept = default;

bool NgRuleSet::Parse(std::string_view file, NgRuleError& error) {
    *this = NgRuleSet();
    if (file.substr(0, 3) == "\xEF\xBB\xBF") file.remove_prefix(3);
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
                          !std::all_of(line.begin(), line.begin() + line.find(':'),
                                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }) ||
                          line.front() == ':';
        if (word) {
            words_.emplace_back(FoldText(text), rules_.size());
            rules_.push_back(std::move(text));
        } else if (!AddLine(line, std::move(text), error)) {
            *this = NgRuleSet();
            return false;
        }
    }
    Prepare();
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
        AddPatternNeeds(std::move(regex), rule, pattern);
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
    AddPatternNeeds(std::move(regex), rules_.size(), pattern);
    rules_.push_back(label);
    Prepare();
    return true;
}

void NgRuleSet::AddPatternNeeds(std::unique_ptr<WideRegex> regex, std::size_t rule, const std::wstring& pattern) {
    PatternNeeds needs = AnalysePattern(pattern);
    Pattern added{std::move(regex), rule, std::move(needs.literal), std::move(needs.anyOf), needs.leastUnits};
    patterns_.push_back(std::move(added));
}

void NgRuleSet::Prepare() {
    automaton_ = std::make_unique<NgAutomaton>();
    for (const auto& [folded, rule] : words_) automaton_->AddWord(folded, rule);
    int bit = 0;
    for (Pattern& pattern : patterns_) {
        // The literal, else each of the characters one of which is needed,
        // sets the pattern's bit: without it the pattern is not searched.
        pattern.bit = (pattern.literal.empty() && pattern.anyOf.empty()) || bit == 64 ? -1 : bit++;
        if (pattern.bit < 0) continue;
        if (!pattern.literal.empty()) {
            automaton_->AddLiteral(pattern.literal, pattern.bit);
        } else {
            for (wchar_t c : pattern.anyOf) automaton_->AddLiteral(std::wstring(1, c), pattern.bit);
        }
    }
    if (automaton_->Empty()) {
        automaton_.reset();
    } else {
        automaton_->Finish();
    }
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

std::size_t NgRuleSet::FirstPattern(const std::wstring& text, std::size_t limit, std::uint64_t literals,
                                    PatternMemo* memo) const {
    if (patterns_.empty() || patterns_.front().rule >= limit) return kNone;
    // Every rule there is lies below Size(); a pattern added later does not,
    // so what the memo keeps of the patterns searched stays true.
    limit = std::min(limit, rules_.size());
    PatternMemo::Slot* slot = nullptr;
    if (memo && text.size() <= 32) {
        if (memo->slots_.empty()) memo->slots_.resize(32768);  // about 4 MB once full
        std::uint32_t hash = 2166136261u;                      // FNV-1a
        for (wchar_t c : text) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
        slot = &memo->slots_[hash % memo->slots_.size()];
        if (slot->text == text) {
            // The first match of all, or none of the patterns searched then.
            if (slot->rule != kNone) return slot->rule < limit ? slot->rule : kNone;
            if (limit <= slot->limit) return kNone;
        }
    }
    // In file order, so the first that matches decides. A pattern whose
    // literal the text lacks cannot match.
    std::size_t found = kNone;
    for (const Pattern& pattern : patterns_) {
        if (pattern.rule >= limit) break;
        if (pattern.bit >= 0 && (literals >> pattern.bit & 1) == 0) continue;
        if (text.size() < pattern.leastUnits) continue;
        if (memo ? pattern.regex->Search(text, memo->scratch_) : pattern.regex->Search(text)) {
            found = pattern.rule;
            break;
        }
    }
    if (slot) {
        slot->text = text;
        slot->limit = limit;
        slot->rule = found;
    }
    return found;
}

std::size_t NgRuleSet::Match(const NgComment& comment, PatternMemo* memo) const {
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
        std::uint64_t wanted = 0, present = 0;
        for (const Pattern& pattern : patterns_) {
            if (pattern.rule < best && pattern.bit >= 0) wanted |= std::uint64_t{1} << pattern.bit;
        }
        if (automaton_) {
            const NgAutomaton::Found found = automaton_->Walk(*comment.text, best, wanted);
            best = std::min(best, found.rule);
            present = found.literals;
        }
        best = std::min(best, FirstPattern(*comment.text, best, present, memo));
    }
    return best;
}

NgFilter::NgFilter(NgRuleSet rules) : rules_(std::move(rules)) {}

bool NgFilter::Hides(const NgComment& comment) {
    const std::size_t rule = rules_.Match(comment, &memo_);
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
