#include "support/text.h"

#include <gtest/gtest.h>

#include <climits>

#include <windows.h>

#include <boost/lexical_cast.hpp>

#include "support/codepage.h"

TEST(ReplaceAll, DoesNotRescanItsOwnOutput) {
    std::string text = "aaa";
    EXPECT_EQ(ReplaceAll(text, "a", "aa"), "aaaaaa");
    std::string entity = "&amp;amp;";
    EXPECT_EQ(ReplaceAll(entity, "&amp;", "&"), "&amp;");
    std::wstring wide = L"xyxy";
    EXPECT_EQ(ReplaceAllWide(wide, L"y", L"yy"), L"xyyxyy");
}

// Code page 932 characters whose second byte is ASCII: ソ 0x83 0x5C ("\"),
// 表 0x95 0x5C, ポ 0x83 0x7C ("|"), ー 0x81 0x5B ("["), ア 0x83 0x41 ("A").
TEST(NarrowText, SearchesNeverMatchTheSecondByteOfACharacter) {
    std::string text = "ソ\\表\\";
    EXPECT_EQ(ReplaceAll(text, "\\", "/"), "ソ/表/");
    EXPECT_EQ(FindText("表ポ|", "|"), 4u);
    EXPECT_EQ(FindText("ア", "A"), std::string::npos);
    EXPECT_EQ(FindText("xアAA", "A", 1), 3u);
    EXPECT_EQ(FindText("ソ", "\x5C"), std::string::npos);
    EXPECT_FALSE(ContainsText("予告ー", "["));
    // Markers starting with a letter or a second-byte value.
    EXPECT_EQ(Between("ア=9&A=1&", "A=", "&"), "1");
    EXPECT_EQ(Between("ー[x]", "[", "]"), "x");
    EXPECT_EQ(Split("ポ|ソ||表示|", "|"), (std::vector<std::string>{"ポ", "ソ", "表示"}));
    EXPECT_EQ(ToLower("ABC.XmLア"), "abc.xmlア");
}

TEST(NarrowText, CharactersAreCountedAndCutWhole) {
    EXPECT_EQ(CharacterCount("ソース表a"), 5u);
    EXPECT_EQ(CharacterCount("a\x83"), 2u) << "a lead byte at the end stands alone";
}

TEST(PathText, ExtensionAndFolderOfTheLastComponent) {
    const struct {
        const wchar_t* path;
        const wchar_t* extension;
        const wchar_t* folder;
    } cases[] = {
        {L"archive.tar.gz", L".gz", L"."},
        {L"C:\\dir.x\\file", L"", L"C:\\dir.x"},
        {L"C:\\dir\\comments.XML", L".XML", L"C:\\dir"},
        {L"C:\\予告編ソ\\能力表.xml", L".xml", L"C:\\予告編ソ"},
        {L"C:\\d\\a.b表", L".b表", L"C:\\d"},
        {L"C:\\x.y/ソ表", L"", L"C:\\x.y"},
        {L"C:\\表.xml", L".xml", L"C:\\"},
        {L"\\表.xml", L".xml", L"\\"},
        {L"C:\\\uD55C.\uAD6D\\\U0001F600", L"", L"C:\\\uD55C.\uAD6D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileExtension(c.path), c.extension) << WideToUtf8(c.path);
        EXPECT_EQ(FolderOfWide(c.path), c.folder) << WideToUtf8(c.path);
    }
}

TEST(PadNumber, FillsButNeverCuts) {
    EXPECT_EQ(PadNumber(7, 2, '0'), "07");
    EXPECT_EQ(PadNumber(123, 2, '0'), "123");
    EXPECT_EQ(PadNumberText(L"7", 2, L'0'), L"07");
    EXPECT_EQ(PadNumberText(L"-5", 3, L' '), L" -5");
    EXPECT_THROW(PadNumberText(L"7a", 2, L'0'), boost::bad_lexical_cast);
    EXPECT_THROW(PadNumberText(L"", 2, L'0'), boost::bad_lexical_cast);
}

TEST(LeadingNumber, ReadsAsTypedAndStopsAtTheIntRange) {
    // What a user leaves in the count or interval box.
    const struct {
        const char* text;
        int value;
    } cases[] = {{"250", 250},
                 {" 300秒", 300},
                 {"-3", -3},
                 {"秒", 0},
                 {"", 0},
                 {"99999999999", INT_MAX},
                 {"-99999999999", INT_MIN}};
    for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.value) << c.text;
}

TEST(CurrentTime, OneReadingGivesOneMoment) {
    // Between two readings of the clock: no part comes from a later second
    // than the others (10:59:59 must never become 10:00:59 or 11:59:59).
    auto key = [](int y, int mo, int d, int h, int mi, int s) {
        return ((((y * 13LL + mo) * 32 + d) * 24 + h) * 60 + mi) * 60 + s;
    };
    for (int i = 0; i < 2000; ++i) {
        SYSTEMTIME before, after;
        GetLocalTime(&before);
        const DateTimeParts now = CurrentDateTime();
        GetLocalTime(&after);
        const long long at = key(now.year, now.month, now.day, now.hour, now.minute, now.second);
        ASSERT_LE(key(before.wYear, before.wMonth, before.wDay, before.wHour, before.wMinute, before.wSecond), at);
        ASSERT_LE(at, key(after.wYear, after.wMonth, after.wDay, after.wHour, after.wMinute, after.wSecond));
    }
    EXPECT_GE(CurrentYear(), 2020);
    EXPECT_LE(CurrentSecond(), 60);
}
