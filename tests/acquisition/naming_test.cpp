#include "acquisition/naming.h"

#include <gtest/gtest.h>

#include "acquisition/prompts.h"
#include "settings/settings.h"
#include "testlib/scripted_prompts.h"
#include "testlib/temp_dir.h"

namespace {

TEST(NamingTest, DefaultTemplateWithForbiddenCharacters) {
    // a／b：c(sm9)[10.01.02 03時04分]
    EXPECT_EQ(MakeCommentFileName(kDefaultFilenameFormat, "a/b:c", "77", "sm9", 2010, 1, 2, 3, 4, 5),
              "a\x81\x5E"
              "b\x81\x46"
              "c(sm9)[10.01.02 03時04分]");
    EXPECT_EQ(MakeCommentFileName(kDefaultFilenameFormat, "\\*?\"<>|", "1", "sm9", 2010, 1, 2, 3, 4, 5).substr(0, 14),
              "\x81\x8F\x81\x96\x81\x48\x81\x68\x81\x83\x81\x84\x81\x62");
}

TEST(NamingTest, PlaceholdersInOrder) {
    // "%id%" inside the title is expanded later; ":" and "|" become full-width.
    const char format[] = "%title%|%year%-%month%-%day% %hour%:%minute%:%second%|%second2%";
    EXPECT_EQ(MakeCommentFileName(format, "t%id%", "77", "sm9", 2010, 1, 2, 3, 4, 5),
              "t77\x81\x62"
              "2010-1-2 3\x81\x46"
              "4\x81\x46"
              "5\x81\x62"
              "05");
    EXPECT_EQ(MakeCommentFileName("%year2%%hour2%%minute2%", "", "", "", 2010, 1, 2, 13, 123, 0), "1013123");
    EXPECT_EQ(MakeCommentFileName("", "x", "1", "sm9", 2010, 1, 2, 3, 4, 5), "");
}

TEST(NamingTest, DoubleByteCharacterWithBackslashByteStays) {
    // 表 is 0x95 0x5C in code page 932; only the real backslash changes.
    EXPECT_EQ(MakeCommentFileName("%title%", "\x95\x5C\\", "", "", 2010, 1, 1, 0, 0, 0), "\x95\x5C\x81\x8F");
}

class OverwriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompts(&prompts_);
        existing_ = dir_.File(std::wstring(kEmojiName) + L".xml");
        WriteFileBytes(existing_, "old");
    }
    void TearDown() override { SetPrompts(nullptr); }
    bool Confirm(std::wstring& path) { return ConfirmOverwrite(path, L"filter", L".xml", &autoOverwrite_); }

    bool autoOverwrite_ = false;  // the AutoOverWrite setting
    ScriptedPrompts prompts_;
    TempDir dir_;
    std::wstring existing_;
};

TEST_F(OverwriteTest, NoQuestionWhenFreeOrAlwaysOverwriting) {
    std::wstring path = dir_.File(L"new.xml");
    EXPECT_TRUE(Confirm(path));
    // Best fit would take "José" for the existing "Jose" and ask.
    WriteFileBytes(dir_.File(L"Jose.xml"), "other");
    path = dir_.File(L"Jos\u00E9.xml");
    EXPECT_TRUE(Confirm(path));
    autoOverwrite_ = true;
    path = existing_;
    EXPECT_TRUE(Confirm(path));
    EXPECT_EQ(prompts_.asked, 0);
}

TEST_F(OverwriteTest, YesWithTickSwitchesAlwaysOn) {
    prompts_.choice = OverwriteChoice::Overwrite;
    prompts_.tick = true;
    std::wstring path = existing_;
    EXPECT_TRUE(Confirm(path));
    EXPECT_EQ(path, existing_);
    EXPECT_TRUE(autoOverwrite_);
    EXPECT_TRUE(Confirm(path));
    EXPECT_EQ(prompts_.asked, 1) << "the next existing file is not asked about";
}

TEST_F(OverwriteTest, CancelAndFolderCountsAsExisting) {
    std::wstring path = dir_.WidePath();
    EXPECT_FALSE(Confirm(path));
    EXPECT_EQ(prompts_.asked, 1);
    EXPECT_FALSE(autoOverwrite_);
}

TEST_F(OverwriteTest, SaveAsExtensionRules) {
    prompts_.choice = OverwriteChoice::SaveAs;
    prompts_.tick = true;  // ignored for save-as
    const struct {
        const wchar_t* chosen;
        const wchar_t* expected;
    } cases[] = {{L"C:\\x\\out.XML", L"C:\\x\\out.XML"},
                 {L"C:\\x\\out", L"C:\\x\\out.xml"},
                 {L"C:\\x\\out.txt", L"C:\\x\\out.txt.xml"},
                 {L"C:\\x.y\\out", L"C:\\x.y\\out.xml"},
                 {L"C:\\\uD55C.\uAD6D\\out", L"C:\\\uD55C.\uAD6D\\out.xml"}};
    for (const auto& c : cases) {
        prompts_.saveAsName = c.chosen;
        std::wstring path = existing_;
        EXPECT_TRUE(Confirm(path));
        EXPECT_EQ(path, c.expected);
    }
    EXPECT_FALSE(autoOverwrite_);
    EXPECT_EQ(prompts_.filterSeen, L"filter");
    prompts_.saveAsOk = false;
    std::wstring path = existing_;
    EXPECT_FALSE(Confirm(path));
}

TEST(PlatformFilter, PairsOfZeroTerminatedTexts) {
    const FileFilter filters[] = {{"a", "*.a"}, {"b", "*.*"}};
    EXPECT_EQ(PlatformFilter(filters, 2), std::wstring(L"a\0*.a\0b\0*.*\0\0", 13));
}

TEST(WindowlessPrompts, NeverAllowsReplacing) {
    TempDir dir;
    WriteFileBytes(dir.File("x.xml"), "x");
    bool autoOverwrite = false;
    std::wstring path = dir.File(L"x.xml");
    EXPECT_FALSE(ConfirmOverwrite(path, L"", L".xml", &autoOverwrite));
}

}  // namespace
