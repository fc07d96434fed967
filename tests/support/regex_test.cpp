#include "support/regex.h"

#include <gtest/gtest.h>

#include "infolog/info_log.h"

TEST(RegexSearch, GroupsInOrderWithNonParticipatingGroupEmpty) {
    std::vector<std::string> groups;
    ASSERT_TRUE(RegexSearch("xx ab yy", "(a)(c)?b", groups, false));
    EXPECT_EQ(groups, (std::vector<std::string>{"ab", "a", ""}));

    std::vector<std::string> skipped;
    ASSERT_TRUE(RegexSearch("xx ab yy", "(c)?(a)b", skipped, true));
    EXPECT_EQ(skipped, (std::vector<std::string>{"ab", "a"}));  // group 2 moved to the front
}

TEST(RegexSearch, NoMatchLeavesListAndAppendsOtherwise) {
    std::vector<std::string> groups{"kept"};
    EXPECT_FALSE(RegexSearch("abc", "z+", groups, false));
    EXPECT_EQ(groups, (std::vector<std::string>{"kept"}));
    ASSERT_TRUE(RegexSearch("abc", "b", groups, false));
    EXPECT_EQ(groups, (std::vector<std::string>{"kept", "b"}));
}

TEST(RegexSearch, FirstMatchIsLeftmostAndLazyGroupStopsAtFirstHyphen) {
    // U+2010 in code page 932 is 0x81 0x5D.
    std::vector<std::string> groups;
    ASSERT_TRUE(RegexSearch("<title>A‐B ‐ Site</title>", "<title>(.*?)( ‐ |‐).*</title>", groups, false));
    EXPECT_EQ(groups[1], "A");
}

TEST(RegexMatchReplace, WholeTextAndEveryMatch) {
    EXPECT_TRUE(RegexMatch("sm9", "[a-z]{2}\\d+"));
    EXPECT_FALSE(RegexMatch("sm9 and more", "[a-z]{2}\\d+"));

    std::string text = "a1b22c";
    EXPECT_TRUE(RegexReplace(text, "(\\d+)", "<$1>"));
    EXPECT_EQ(text, "a<1>b<22>c");
    std::string untouched = "abc";
    EXPECT_TRUE(RegexReplace(untouched, "\\d", "x"));
    EXPECT_EQ(untouched, "abc");
}

// The report is once per process, so the whole story is one test.
TEST(RegexErrors, FirstBadPatternReportedOnceThenSilent) {
    LineCapture capture;
    std::vector<std::string> groups{"kept"};
    EXPECT_FALSE(RegexSearch("text", "(unbalanced", groups, false));
    EXPECT_EQ(groups, (std::vector<std::string>{"kept"}));
    std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Error : RegexSearch");
    EXPECT_EQ(lines[1], "正規表現処理中にエラーが発生しました -> str=text / regex=(unbalanced");
    EXPECT_EQ(lines[2].rfind("エラー内容 : ", 0), 0u);
    EXPECT_GT(lines[2].size(), std::string("エラー内容 : ").size());
    EXPECT_EQ(lines[3], "※以降同様のエラー内容は負荷軽減のために省略されます");

    std::string text = "keep";
    EXPECT_FALSE(RegexReplace(text, "[", "x"));
    EXPECT_EQ(text, "keep");
    EXPECT_FALSE(RegexMatch("x", "*"));
    EXPECT_EQ(capture.Lines().size(), 4u);
}
