#include "ng/ng_rules.h"

#include "ng/ng_automaton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

TEST(FoldText, LatinAndKatakanaOfEitherWidth) {
    const struct {
        const wchar_t* text;
        const wchar_t* folded;
    } rows[] = {
        {L"ＷｗWw", L"wwww"},
        {L"１２３！ＡＢＣ", L"123!abc"},
        {L"ｶﾞｲﾄﾞ ﾊﾟﾝ ｳﾞｧ", L"ガイド パン ヴァ"},
        {L"カ\x3099ハ\x309A", L"ガパ"},  // combining marks join full-width kana too
        {L"ｱﾞﾟﾏﾟ", L"ア゛゜マ゜"},       // a mark the kana cannot take stays a mark
        {L"ｰ｡｢｣､･ｦ", L"ー。「」、・ヲ"},
        {L"\x212A\x0130", L"ki"},                                            // capitals whose small letters are ASCII
        {L"表示ソ予 한국어 \xD83D\xDE00", L"表示ソ予 한국어 \xD83D\xDE00"},  // nothing else changes
    };
    for (const auto& r : rows) EXPECT_EQ(FoldText(r.text), r.folded) << r.text;
}

TEST(AppendUtf16, WellFormedUtf8Only) {
    std::wstring out = L"x";
    const char* text = u8"ソ😀\t";
    EXPECT_TRUE(AppendUtf16(text, out));
    EXPECT_EQ(out, L"xソ\xD83D\xDE00\t");
    for (const char* bad : {"ok\x95", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81"}) {
        EXPECT_FALSE(AppendUtf16(bad, out)) << bad;
    }
    EXPECT_EQ(out, L"xソ\xD83D\xDE00\t");
}

// A pattern is searched only when the text holds its literal, else one of the
// characters every match holds, and is as long as a match: what some match
// lacks would hide nothing it should (the fuzz target checks the same).
TEST(AnalysePattern, OnlyWhatEveryMatchHolds) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* literal;
        const wchar_t* anyOf;
        std::size_t least;
    } rows[] = {
        {L"https?://", L"http", L"h", 7},
        {L"荒らし.*報告", L"荒らし", L"荒", 5},
        {L"(うぽつ){2,}|", L"", L"", 0},  // alternatives at the top: nothing is required
        {L"x(?:ab|cd)yz", L"yz", L"x", 5},
        {L"(ab)?cde", L"cde", L"c", 3},
        {L"(うぽつ){2,}", L"うぽつ", L"う", 6},
        {L"a{0}bc\\.d*", L"bc.", L"b", 3},
        {L"[[:alpha:]\\]]+xyz\\b", L"xyz", L"x", 4},
        {L"(?i)ＳＰＡＭ\\d+ok", L"ok", L"o", 7},  // ignoring case, only ASCII letters count
        {L"(?i)Kelvin", L"kelvin", L"k", 6},
        {L"ｷﾀ+━", L"━", L"━", 3},
        {L"ｶﾞｲﾄﾞ", L"ガイド", L"イ", 5},
        {L"ﾞｱｶ", L"ア", L"ア", 3},  // no mark at the start, no kana that takes one at the end
        {L"\\x41BC", L"", L"", 0},  // escapes beyond punctuation are not followed
        {L"(?=ab)c", L"", L"", 0},
        {L"(?-i)abc", L"", L"", 0},
        // One of a short list of plain characters and ranges; the fewest such.
        {L"^(ｗ|w)+$", L"", L"w", 1},
        {L"[0-9]{7,}", L"", L"0123456789", 7},
        {L"[Ａ-Ｅ]{5}|[x-z]", L"", L"abcdexyz", 1},
        {L"^[!！?？]+$", L"", L"!?", 1},
        {L"[^a]b?|[\\d]|[a-\\]]", L"", L"", 1},
        {L"(?i)[ａb]c", L"c", L"c", 2},
        // A group repeated by a back-reference, the anchors and assertions none.
        {L"(.)\\1{9,}", L"", L"", 10},
        {L"^.{80,}$", L"", L"", 80},
        {L"\\s{5,}\\b", L"", L"", 5},
    };
    for (const auto& r : rows) {
        const PatternNeeds needs = AnalysePattern(r.pattern);
        EXPECT_EQ(needs.literal, r.literal) << r.pattern;
        EXPECT_EQ(needs.anyOf, r.anyOf) << r.pattern;
        EXPECT_EQ(needs.leastUnits, r.least) << r.pattern;
    }
}

// The parts of a comment the rules read; -1: no vpos or no date.
struct Comment {
    const wchar_t* text;
    const char* user;
    const char* mail;
    long long vpos, date;
};

class NgRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        _putenv_s("TZ", "JST-9");  // dates are local time: UTC+9
        _tzset();
    }
    static NgRuleSet Parse(const std::string& file) {
        NgRuleSet rules;
        NgRuleError error;
        EXPECT_TRUE(rules.Parse(file, error)) << error.lineNumber << ": " << error.line;
        return rules;
    }
    NgComment View(const Comment& c) {
        text_ = c.text;
        NgComment comment;
        comment.text = &text_;
        comment.userId = c.user;
        comment.mail = c.mail;
        comment.hasVpos = c.vpos >= 0;
        comment.vpos = c.vpos;
        comment.hasDate = c.date >= 0;
        comment.date = c.date;
        return comment;
    }

private:
    std::wstring text_;
};

constexpr long long kNoon = 1262401200;  // 2010-01-02 12:00 +09:00, outside every date rule below
constexpr std::size_t kNone = NgRuleSet::kNone;

TEST_F(NgRulesTest, EachKindAndTheFirstRuleThatHides) {
    const NgRuleSet rules = Parse(
        u8"\xEF\xBB\xBF# 荒らし対策\r\n"
        u8"ｗｗｗ\r\n"               // 0
        u8"  re:^(8|８){4,}$\t\r\n"  // 1
        u8"\r\n"
        u8"user:Xk3_pQ9-zR\r\n"                            // 2
        u8"\u3000mail:Shita\r\n"                           // 3
        u8"time:1:00-1:30\r\n"                             // 4
        u8"time:-0:05\r\n"                                 // 5
        u8"time:1:00:00-\r\n"                              // 6
        u8"date:..2010-01-01\r\n"                          // 7
        u8"date:2010-01-02 09:30 .. 2010-01-02 10:00\r\n"  // 8
        u8"ﾊﾟﾝ\r\n"                                        // 9
        u8"予約\n"                                         // 10
        u8"RE:(?i)spam");                                  // 11
    ASSERT_EQ(rules.Size(), 12u);
    EXPECT_EQ(rules.RuleText(1), L"re:^(8|８){4,}$");
    EXPECT_EQ(rules.RuleText(3), L"mail:Shita");

    const struct {
        Comment comment;
        std::size_t rule;
    } rows[] = {
        {{L"初見です", "Ab", "184", 3000, kNoon}, kNone},
        {{L"WWWWW", "", "", 3000, kNoon}, 0},
        {{L"草ｗww", "", "", -1, -1}, 0},
        {{L"8888", "", "", 3000, kNoon}, 1},
        {{L"８８８８８", "", "", 3000, kNoon}, 1},
        {{L"888", "", "", 3000, kNoon}, kNone},
        {{L"わこつ", "Xk3_pQ9-zR", "", 3000, kNoon}, 2},
        {{L"わこつ", "xk3_pq9-zr", "", 3000, kNoon}, kNone},  // ids as they are
        {{L"わこつ", "", "184 SHITA\x20red", 3000, kNoon}, 3},
        {{L"わこつ", "", u8"184\u3000shita", 3000, kNoon}, 3},
        {{L"わこつ", "", "shitashita", 3000, kNoon}, kNone},
        {{L"わこつ", "", "", 6000, kNoon}, 4},
        {{L"わこつ", "", "", 8999, kNoon}, 4},
        {{L"わこつ", "", "", 9000, kNoon}, kNone},  // the end is outside
        {{L"わこつ", "", "", 499, kNoon}, 5},
        {{L"わこつ", "", "", 500, kNoon}, kNone},
        {{L"わこつ", "", "", 360000, kNoon}, 6},
        {{L"わこつ", "", "", -1, 1262271599}, 7},  // 2009-12-31 23:59:59 +09:00
        {{L"わこつ", "", "", -1, 1262271600}, kNone},
        {{L"わこつ", "", "", -1, 1262392200}, 8},  // 2010-01-02 09:30 +09:00
        {{L"わこつ", "", "", -1, 1262394000}, kNone},
        {{L"パンだ", "", "", 3000, kNoon}, 9},
        {{L"ﾊﾝ", "", "", 3000, kNoon}, kNone},
        {{L"ご予約", "", "", 3000, kNoon}, 10},
        {{L"SPAM!", "", "", 3000, kNoon}, 11},
        {{L"spam ｗｗｗ", "Xk3_pQ9-zR", "shita", 6000, 1262392200}, 0},
        {{L"spam", "Xk3_pQ9-zR", "", 3000, kNoon}, 2},
    };
    for (const auto& r : rows) EXPECT_EQ(rules.Match(View(r.comment)), r.rule) << r.comment.text;
}

TEST_F(NgRulesTest, BadLinesNameTheirNumber) {
    const struct {
        const char* file;
        std::size_t line;
        NgRuleFault fault;
    } rows[] = {
        {u8"ｗｗｗ\nfoo:bar\n", 2, NgRuleFault::UnknownPrefix},
        {u8"http://spam.example/", 1, NgRuleFault::UnknownPrefix},
        {u8"# 正規表現\n\n  re:(abc\n", 3, NgRuleFault::BadPattern},
        {u8"user:   \n", 1, NgRuleFault::Empty},
        {u8"re:", 1, NgRuleFault::Empty},
        {u8"mail:big red", 1, NgRuleFault::BadMail},
        {u8"time:1:60-2:00", 1, NgRuleFault::BadTime},
        {u8"time:2:00-1:00", 1, NgRuleFault::BadTime},
        {u8"time:1:00", 1, NgRuleFault::BadTime},
        {u8"time:1:0-", 1, NgRuleFault::BadTime},
        {u8"time:1:00:5-", 1, NgRuleFault::BadTime},
        {u8"date:2010-02-29..", 1, NgRuleFault::BadDate},
        {u8"date:2010-01-01..2010-01-01", 1, NgRuleFault::BadDate},
        {u8"date:2010/01/01..", 1, NgRuleFault::BadDate},
        {u8"date:2010-01-01 24:00..", 1, NgRuleFault::BadDate},
        {"ok\n\x82\xA0\x95\x5C", 2, NgRuleFault::NotUtf8},  // saved in code page 932: あ表
    };
    for (const auto& r : rows) {
        NgRuleSet rules;
        NgRuleError error;
        EXPECT_FALSE(rules.Parse(r.file, error)) << r.file;
        EXPECT_EQ(error.lineNumber, r.line) << r.file;
        EXPECT_EQ(error.fault, r.fault) << r.file;
        EXPECT_TRUE(rules.Empty()) << r.file;
    }
    NgRuleSet rules;
    NgRuleError error;
    ASSERT_FALSE(rules.Parse(u8"\t re:ソ表(\u3000", error));
    EXPECT_EQ(error.line, u8"re:ソ表(");
    EXPECT_FALSE(error.detail.empty());
    // Open at both ends, a leap day, a smiley that is no prefix.
    EXPECT_EQ(Parse(u8"time:-\ndate:2012-02-29..\n:)\n#ｗ").Size(), 3u);
}

TEST_F(NgRulesTest, FilterCountsMostFirstAndTakesTheExcludePattern) {
    NgFilter filter(Parse(u8"ソ\n表\n予"));
    std::string error;
    EXPECT_FALSE(filter.Rules().AddPattern(L"(", L"Exclude=(", error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(filter.Rules().AddPattern(L"^[0-9]+$", L"Exclude=^[0-9]+$", error));
    for (const wchar_t* text : {L"ソ", L"表", L"表", L"予", L"予", L"12345", L"ok"}) {
        filter.Hides(View({text, "", "", 0, kNoon}));
    }
    EXPECT_EQ(filter.Excluded(), 6u);
    const auto top = filter.TopRules(3);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(filter.Rules().RuleText(top[0].rule), L"表");  // equal counts keep the file's order
    EXPECT_EQ(top[0].hits, 2u);
    EXPECT_EQ(filter.Rules().RuleText(top[1].rule), L"予");
    EXPECT_EQ(filter.Rules().RuleText(top[2].rule), L"ソ");
    EXPECT_EQ(filter.Hits(3), 1u);
    EXPECT_EQ(filter.Rules().RuleText(3), L"Exclude=^[0-9]+$");
}

}  // namespace
