#include "export/text_writer.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "testlib/temp_dir.h"

namespace {

class TextWriterTest : public ::testing::Test {
protected:
    void TearDown() override { App().settings.TextOutUTF8 = false; }
    std::string Write(const std::vector<std::wstring>& lines) {
        TextLineWriter writer;
        EXPECT_TRUE(writer.Open(path));
        for (const auto& line : lines) EXPECT_TRUE(writer.WriteLine(line));
        writer.Close();
        return ReadFileBytes(path);
    }
    TempDir dir;
    std::wstring path = dir.File(L"out.txt");
};

TEST_F(TextWriterTest, Utf8AndCodePage932Bytes) {
    App().settings.TextOutUTF8 = true;
    EXPECT_EQ(Write({L"abc", L"あ"}), "abc\r\n\xE3\x81\x82\r\n");
    App().settings.TextOutUTF8 = false;
    EXPECT_EQ(Write({L"abc", L"あ"}), "abc\r\n\x82\xA0\r\n");
}

TEST_F(TextWriterTest, LineFeedsInsideALineBecomeCrLf) {
    EXPECT_EQ(Write({L"a\nb", L"", L"\n"}), "a\r\nb\r\n\r\n\r\n\r\n");
    // Only LF is touched: a CR of the line text stays as it is.
    EXPECT_EQ(Write({L"a\rb"}), "a\rb\r\n");
}

TEST_F(TextWriterTest, SettingIsReadForEveryLine) {
    TextLineWriter writer;
    ASSERT_TRUE(writer.Open(path));
    writer.WriteLine(L"あ");
    App().settings.TextOutUTF8 = true;
    writer.WriteLine(L"あ");
    writer.Close();
    EXPECT_EQ(ReadFileBytes(path), "\x82\xA0\r\n\xE3\x81\x82\r\n");
}

TEST_F(TextWriterTest, OpenEmptiesAnExistingFileAndEachLineReachesTheFileAtOnce) {
    WriteFileBytes(path, "old contents");
    TextLineWriter writer;
    ASSERT_TRUE(writer.Open(path));
    EXPECT_EQ(ReadFileBytes(path), "");
    writer.WriteLine(L"x");
    EXPECT_EQ(ReadFileBytes(path), "x\r\n");  // still open
}

TEST_F(TextWriterTest, MissingFolderIsReported) {
    TextLineWriter writer;
    EXPECT_FALSE(writer.Open(dir.File(L"no such folder\\out.txt")));
    EXPECT_NE(writer.LastError(), 0u);
    EXPECT_FALSE(writer.WriteLine(L"x"));
}

}  // namespace
