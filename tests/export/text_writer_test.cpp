#include "export/text_writer.h"

#include <gtest/gtest.h>

#include "testlib/temp_dir.h"

namespace {

class TextWriterTest : public ::testing::Test {
protected:
    std::string Write(const std::vector<std::wstring>& lines) {
        TextLineWriter writer(&utf8);
        EXPECT_TRUE(writer.Open(path));
        for (const auto& line : lines) EXPECT_TRUE(writer.WriteLine(line));
        writer.Close();
        return ReadFileBytes(path);
    }
    bool utf8 = false;  // the TextOutUTF8 setting
    TempDir dir;
    std::wstring path = dir.File(L"out.txt");
};

TEST_F(TextWriterTest, Utf8AndCodePage932Bytes) {
    utf8 = true;
    EXPECT_EQ(Write({L"abc", L"あ"}), "abc\r\n\xE3\x81\x82\r\n");
    utf8 = false;
    EXPECT_EQ(Write({L"abc", L"あ"}), "abc\r\n\x82\xA0\r\n");
}

TEST_F(TextWriterTest, LineFeedsInsideALineBecomeCrLf) {
    EXPECT_EQ(Write({L"a\nb", L"", L"\n"}), "a\r\nb\r\n\r\n\r\n\r\n");
    // Only LF is touched: a CR of the line text stays as it is.
    EXPECT_EQ(Write({L"a\rb"}), "a\rb\r\n");
}

TEST_F(TextWriterTest, SettingIsReadForEveryLine) {
    TextLineWriter writer(&utf8);
    ASSERT_TRUE(writer.Open(path));
    writer.WriteLine(L"あ");
    utf8 = true;
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

// A long export's lines are encoded a block at a time: the bytes are those of
// the lines written one by one, whatever falls at a block's edge (pairs of
// surrogates, characters ending in byte 0x5C, ones the code page lacks, a
// lone surrogate UTF-8 cannot take, a change of the setting).
TEST_F(TextWriterTest, BlocksGiveTheBytesOfSingleLines) {
    std::vector<std::wstring> lines;
    for (int i = 0; lines.size() < 20000; ++i) {
        lines.push_back(std::wstring(static_cast<std::size_t>(i % 7), L'ｗ') + L"ソ表予\U0001F600한글" +
                        std::to_wstring(i) + (i % 3 == 0 ? L"\n" : L""));
        if (i == 15000) lines.push_back(L"lone \xD83D here");
    }
    auto write = [&](bool buffered) {
        TextLineWriter writer(&utf8);
        EXPECT_TRUE(writer.Open(path, buffered));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            utf8 = i >= 12000;
            writer.WriteLine(lines[i]);
        }
        EXPECT_TRUE(writer.Close());
        return ReadFileBytes(path);
    };
    const std::string single = write(false);
    EXPECT_GT(single.size(), 256u * 1024);
    EXPECT_EQ(write(true), single);
}

TEST_F(TextWriterTest, MissingFolderIsReported) {
    TextLineWriter writer;
    EXPECT_FALSE(writer.Open(dir.File(L"no such folder\\out.txt")));
    EXPECT_NE(writer.LastError(), 0u);
    EXPECT_FALSE(writer.WriteLine(L"x"));
}

}  // namespace
