#include "support/text.h"

#include <gtest/gtest.h>

#include <boost/lexical_cast.hpp>

TEST(ReplaceAll, DoesNotRescanItsOwnOutput) {
    std::string text = "aaa";
    EXPECT_EQ(ReplaceAll(text, "a", "aa"), "aaaaaa");
    std::string entity = "&amp;amp;";
    EXPECT_EQ(ReplaceAll(entity, "&amp;", "&"), "&amp;");
    std::wstring wide = L"xyxy";
    EXPECT_EQ(ReplaceAllWide(wide, L"y", L"yy"), L"xyyxyy");
}

TEST(ReplaceAll, MatchesSecondByteOfDoubleByteCharacter) {
    // "ソ" in code page 932 is 0x83 0x5C: the backslash search finds its second byte.
    std::string text = "\x83\x5C";
    EXPECT_EQ(ReplaceAll(text, "\\", "/"), "\x83/");
}

TEST(Between, MarkerCombinations) {
    EXPECT_EQ(Between("<a>1</a><a>2</a>", "<a>", "</a>"), "1");
    EXPECT_EQ(Between("x</a>", "<a>", "</a>"), "");
    EXPECT_EQ(Between("<a>1", "<a>", "</a>"), "");
    EXPECT_EQ(Between("key=value&x", "", "&"), "key=value");
    EXPECT_EQ(Between("key=value", "", "&"), "");
    EXPECT_EQ(Between("key=value", "=", ""), "value");
    EXPECT_EQ(Between("key", "=", ""), "");
    EXPECT_EQ(Between("whole", "", ""), "whole");
    // The end marker is searched only after the start marker.
    EXPECT_EQ(Between("&a=1&", "a=", "&"), "1");
    EXPECT_EQ(BetweenWide(L"[x][y]", L"[", L"]"), L"x");
}

TEST(Split, DropsEmptyParts) {
    EXPECT_EQ(Split("a;;b;", ";"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(Split(";;", ";").empty());
    EXPECT_TRUE(Split("", ";").empty());
    EXPECT_EQ(Split("sm9", ";"), (std::vector<std::string>{"sm9"}));
    EXPECT_EQ(Split("a,b;c", ",;"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ToLower, OnlyAsciiLettersChange) {
    EXPECT_EQ(ToLower("ABC.XmL"), "abc.xml");
    // The second byte of "ア" (0x83 0x41) is an ASCII 'A' and changes by the single-byte rule.
    EXPECT_EQ(ToLower("\x83\x41"), "\x83\x61");
}

TEST(FileExtension, LastComponentOnly) {
    EXPECT_EQ(FileExtension("archive.tar.gz"), ".gz");
    EXPECT_EQ(FileExtension("C:\\dir.x\\file"), "");
    EXPECT_EQ(FileExtension("C:\\dir\\comments.XML"), ".XML");
}

TEST(PadNumber, FillsButNeverCuts) {
    EXPECT_EQ(PadNumber(7, 2, '0'), "07");
    EXPECT_EQ(PadNumber(123, 2, '0'), "123");
    EXPECT_EQ(PadNumberText(L"7", 2, L'0'), L"07");
    EXPECT_EQ(PadNumberText(L"-5", 3, L' '), L" -5");
    EXPECT_THROW(PadNumberText(L"7a", 2, L'0'), boost::bad_lexical_cast);
    EXPECT_THROW(PadNumberText(L"", 2, L'0'), boost::bad_lexical_cast);
}

TEST(CurrentTime, PartsAreInRange) {
    int year = CurrentYear();
    EXPECT_GE(year, 2020);
    EXPECT_GE(CurrentMonth(), 1);
    EXPECT_LE(CurrentMonth(), 12);
    EXPECT_GE(CurrentDay(), 1);
    EXPECT_LE(CurrentDay(), 31);
    EXPECT_LE(CurrentHour(), 23);
    EXPECT_LE(CurrentMinute(), 59);
    EXPECT_LE(CurrentSecond(), 60);
}
