#include "export/comment_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "comments/comment_reader.h"
#include "infolog/info_log.h"
#include "testlib/temp_dir.h"

namespace {

const char kDefault[] = "%date%(%vpos%)[ID:%user_id%]%comment%(%command%)";

class CommentTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        _putenv_s("TZ", "JST-9");  // UTC+9
        _tzset();
    }

    // The only chat element of a packet.
    ChatElement Chat(const std::string& chat) {
        CommentReader reader;
        EXPECT_TRUE(reader.OpenText("<packet>" + chat + "</packet>") && reader.Next()) << chat << reader.Error();
        return reader.Chat();
    }
    std::wstring Line(const std::string& chat, const std::wstring& format) {
        return BuildCommentLine(format, Chat(chat));
    }
    std::wstring Field(const std::string& chat, const std::string& key) { return ChatFieldValue(key, Chat(chat)); }
};

TEST_F(CommentTextTest, DefaultFormatLine) {
    // 2009-03-07 00:05:33 UTC is 09:05 in UTC+9.
    EXPECT_EQ(Line("<chat date=\"1236384333\" vpos=\"12345\" user_id=\"abc\" mail=\"184\">hello</chat>",
                   L"%date%(%vpos%)[ID:%user_id%]%comment%(%command%)"),
              L"03月07日 09時05分(2:04)[ID:abc]hello(184)");
}

TEST_F(CommentTextTest, DateFields) {
    const std::string chat = "<chat date=\"1236384333\"/>";
    EXPECT_EQ(Line(chat, L"%date.year%/%date.month%/%date.day% %date.hour%:%date.minute%:%date.second%"),
              L"2009/3/7 9:5:33");
    EXPECT_EQ(Line(chat, L"%date.year2%.%date.month2%.%date.day2% %date.hour2%:%date.minute2%:%date.second2%"),
              L"09.03.07 09:05:33");
    EXPECT_EQ(Field(chat, "date.week"), L"");
    // No date attribute: the epoch in local time.
    EXPECT_EQ(Line("<chat/>", L"%date%|%date.year%|%date.year2%"), L"01月01日 09時00分|1970|70");
    EXPECT_EQ(Line("<chat date=\" +3600xyz\"/>", L"%date.hour%"), L"10");  // lenient number
    // Beyond the range of numbers: as if missing, never another date.
    EXPECT_EQ(Line("<chat date=\"18446744073709551620\"/>", L"%date.year%"), L"1970");
}

TEST_F(CommentTextTest, VposFieldsAndTheirRounding) {
    const std::string almostMinute = "<chat vpos=\"5999\"/>";  // 59.99 s
    EXPECT_EQ(Field(almostMinute, "vpos"), L"0:60");
    EXPECT_EQ(Field(almostMinute, "vpos.second"), L"59");
    EXPECT_EQ(Line(almostMinute, L"%vpos.1/100second2%|%vpos.millisecond3%|%vpos.second2%"), L"99|990|59");
    EXPECT_EQ(Field("<chat vpos=\"5\"/>", "vpos"), L"0:01");  // 5 hundredths round up
    EXPECT_EQ(Field("<chat vpos=\"4\"/>", "vpos"), L"0:00");
    EXPECT_EQ(Field("<chat vpos=\"3600000\"/>", "vpos"), L"0:00");  // ten hours start again
    EXPECT_EQ(Line("<chat vpos=\"750000\"/>", L"%vpos.minute%|%vpos.minute2%"), L"125|125");
    EXPECT_EQ(Line("<chat vpos=\"6007\"/>", L"%vpos.minute2%:%vpos.second2%.%vpos.1/100second2%|%vpos.millisecond%"),
              L"01:00.07|70");
    EXPECT_EQ(Field("<chat vpos=\"1\"/>", "vpos.frame"), L"");
    // Negative text is taken as an unsigned 32-bit number: 4294967295.
    EXPECT_EQ(Line("<chat vpos=\"-1\"/>", L"%vpos.minute%:%vpos.second%.%vpos.1/100second%"), L"27:52.95");
}

TEST_F(CommentTextTest, TextFieldsAndMissingAttributes) {
    const std::string chat =
        "<chat no=\"7\" thread=\"99\" user_id=\"u\" mail=\"184 red\" name=\"nm\" premium=\"1\">t</chat>";
    EXPECT_EQ(Line(chat, L"%no%|%thread%|%user_id%|%mail%|%command%|%name%|%comment%"), L"7|99|u|184 red|184 red|nm|t");
    EXPECT_EQ(Field(chat, "premium"), L"1");
    EXPECT_EQ(Line("<chat/>", L"[%no%|%mail%|%comment%|%vpos%]"), L"[|||0:00]");
    EXPECT_EQ(Line("<chat/>", L"100% %x% %"), L"100% %x% %");
}

TEST_F(CommentTextTest, StepOrderDecidesWhatCommentTextExpands) {
    // The date step runs after the comment is inserted, the line-feed step before.
    EXPECT_EQ(Line("<chat date=\"0\">%date.year% %\\n%</chat>", L"%\\n%%comment%"), L"\n1970 %\\n%");
    // A step does not rescan its own insertion.
    EXPECT_EQ(Line("<chat mail=\"%mail%\"/>", L"%mail%"), L"%mail%");
    // Later steps see the insertions of earlier ones.
    EXPECT_EQ(Line("<chat mail=\"%no%\" no=\"5\"/>", L"%mail%"), L"5");
    // Removing a placeholder can join a new one.
    EXPECT_EQ(Line("<chat date=\"0\"/>", L"%date.y%comment%ear%"), L"1970");
}

TEST_F(CommentTextTest, PremiumBlock) {
    EXPECT_EQ(Line("<chat premium=\"1\">abc</chat>", L"%premium=P:%%comment%"), L"P:abc");
    EXPECT_EQ(Line("<chat premium=\"2\">abc</chat>", L"%premium=P:%%comment%"), L"abc");
    EXPECT_EQ(Line("<chat>abc</chat>", L"%premium=P:%%comment%"), L"abc");
    // Only the first block's text is recognised; the same text later is treated alike.
    EXPECT_EQ(Line("<chat premium=\"1\"/>", L"%premium=A%-%premium=B%-%premium=A%"), L"A-%premium=B%-A");
    EXPECT_EQ(Line("<chat/>", L"%premium=A%-%premium=B%-%premium=A%"), L"-%premium=B%-");
    EXPECT_EQ(Line("<chat premium=\"1\"/>", L"x%premium=open"), L"x%premium=open");
}

TEST_F(CommentTextTest, RefusedDateThrows) {
    const ChatElement chat = Chat("<chat date=\"-1\"/>");
    EXPECT_THROW(ChatFieldValue("date", chat), LocalTimeRefused);
    // Every field is worked out, so even a format without a date fails.
    EXPECT_THROW(BuildCommentLine(L"%no%", chat), LocalTimeRefused);
}

// The export end to end, with the info log captured.
class ExportTest : public CommentTextTest {
protected:
    bool Export(const std::string& format, const std::string& xml) {
        WriteFileBytes(commentPath, xml);
        return ExportCommentText(format, commentPath, textPath, nullptr, nullptr, &utf8);
    }
    bool utf8 = false;  // the TextOutUTF8 setting
    TempDir dir;
    // Names as users have them, with characters the code page lacks.
    std::wstring commentPath = dir.File(std::wstring(kHangulName) + L".xml");
    std::wstring textPath = dir.File(std::wstring(kHangulName) + L".txt");
    LineCapture log;
};

TEST_F(ExportTest, WritesOneLinePerChatInCodePage932) {
    ASSERT_TRUE(Export(kDefault,
                       u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
                       u8"<chat date=\"1236384333\" vpos=\"12345\" user_id=\"abc\" mail=\"184\">こんにちは</chat>"
                       u8"<chat date=\"1236384333\" vpos=\"5999\" user_id=\"d\">1行目\n2行目</chat>"
                       u8"<view_counter video=\"0\"/></packet>"));
    EXPECT_EQ(ReadFileBytes(textPath),
              "03月07日 09時05分(2:04)[ID:abc]こんにちは(184)\r\n"
              "03月07日 09時05分(0:60)[ID:d]1行目\r\n2行目()\r\n");
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Save Text"}));
}

TEST_F(ExportTest, EmptyFormatAndFixedFormat) {
    const std::string xml = "<packet><chat>a</chat><chat>b</chat><chat>c</chat></packet>";
    ASSERT_TRUE(Export("", xml));
    EXPECT_EQ(ReadFileBytes(textPath), "\r\n\r\n\r\n");
    ASSERT_TRUE(Export("固定", xml));
    EXPECT_EQ(ReadFileBytes(textPath), "固定\r\n固定\r\n固定\r\n");
}

TEST_F(ExportTest, OtherNodesBetweenChatsGetNoLine) {
    ASSERT_TRUE(Export("%comment%",
                       "<packet><chat>1</chat><leaf thread=\"1\"/><!-- c --><chat>2</chat><?pi x?>"
                       "<chat>3</chat><view_counter video=\"0\"/></packet>"));
    EXPECT_EQ(ReadFileBytes(textPath), "1\r\n2\r\n3\r\n");
}

TEST_F(ExportTest, NoChatElements) {
    WriteFileBytes(textPath, "old");
    EXPECT_FALSE(Export(kDefault, "<packet><thread thread=\"1\"/><view_counter video=\"0\"/></packet>"));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"コメントデータが存在しません"}));
    EXPECT_TRUE(FileExists(textPath));
    EXPECT_EQ(ReadFileBytes(textPath), "");
}

TEST_F(ExportTest, MissingOrMalformedCommentFile) {
    EXPECT_FALSE(ExportCommentText(kDefault, dir.File(L"none.xml"), textPath));
    EXPECT_TRUE(FileExists(textPath));
    EXPECT_FALSE(Export(kDefault, "<packet><chat>1</chat>"));
    EXPECT_EQ(ReadFileBytes(textPath), "");
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"◆コメントファイルを読み込めません: " + dir.File("none.xml") +
                                                         " (ファイルを開けません (2))",
                                                     "Error : pDoc->documentElement",
                                                     // The log shows "?" for what the code page lacks.
                                                     "◆コメントファイルを読み込めません: " + dir.File("???.xml") +
                                                         " (要素 <packet> が閉じられないままファイルが終わっています)",
                                                     "Error : pDoc->documentElement"}));
}

TEST_F(ExportTest, RefusedDateKeepsEarlierLines) {
    EXPECT_FALSE(Export("%comment%", "<packet><chat>1</chat><chat date=\"-5\">2</chat><chat>3</chat></packet>"));
    EXPECT_EQ(ReadFileBytes(textPath), "1\r\n");
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"テキスト変換処理中に例外が発生しました"}));
}

TEST_F(ExportTest, TextFileThatCannotBeCreatedIsAFailure) {
    WriteFileBytes(commentPath, "<packet><chat>1</chat></packet>");
    EXPECT_FALSE(ExportCommentText(kDefault, commentPath, dir.File(L"missing folder\\c.txt")));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].rfind("Error : CreateFile ", 0), 0u);
}

TEST_F(ExportTest, TextFileNamingTheCommentFileIsRefused) {
    const std::string xml = "<packet><chat>1</chat></packet>";
    WriteFileBytes(commentPath, xml);
    EXPECT_FALSE(ExportCommentText(kDefault, commentPath, dir.WidePath() + L"\\.\\" + kHangulName + L".XML"));
    EXPECT_EQ(ReadFileBytes(commentPath), xml);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].rfind("Error : the text file is the comment file ", 0), 0u);
}

TEST_F(ExportTest, Utf8Output) {
    utf8 = true;
    ASSERT_TRUE(Export("%comment%", u8"<packet><chat>あ&#x1F600;</chat></packet>"));
    EXPECT_EQ(ReadFileBytes(textPath), "\xE3\x81\x82\xF0\x9F\x98\x80\r\n");
}

class RecordingProgress : public ExportProgress {
public:
    void ShowPercent(int percent) override { shown.push_back(percent); }
    void ShowDone() override { ++done; }
    std::vector<int> shown;
    int done = 0;
};

// A file of real size, read in many pieces: about 3 MB of comments.
std::string ManyChats(bool closed) {
    std::string xml = u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet>";
    for (int i = 1; i <= 20000; ++i) {
        xml += u8"<chat thread=\"1300000000\" no=\"" + std::to_string(i) +
               u8"\" vpos=\"3000\" date=\"1300000000\" mail=\"184\" user_id=\"u9Zc1\">表示予定ソ、ここで来る 🎉 "
               u8"한국어</chat>";
    }
    return closed ? xml + "</packet>" : xml;
}

TEST_F(ExportTest, ProgressFollowsTheBytesReadAndShowsEachPercentageOnce) {
    WriteFileBytes(commentPath, ManyChats(true));
    RecordingProgress progress;
    ASSERT_TRUE(ExportCommentText("", commentPath, textPath, &progress));
    ASSERT_GT(progress.shown.size(), 5u);
    EXPECT_TRUE(std::is_sorted(progress.shown.begin(), progress.shown.end()));
    EXPECT_EQ(std::adjacent_find(progress.shown.begin(), progress.shown.end()), progress.shown.end());
    EXPECT_LE(progress.shown.back(), 99);
    EXPECT_EQ(progress.done, 1);
}

TEST_F(ExportTest, FaultFoundAfterLinesWereWrittenLeavesTheTextFileEmpty) {
    WriteFileBytes(textPath, "old");
    EXPECT_FALSE(Export("%comment%", ManyChats(false)));
    EXPECT_EQ(ReadFileBytes(textPath), "");
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[0].rfind("◆コメントファイルを読み込めません: ", 0), 0u);
    EXPECT_EQ(log.Lines()[1], "Error : pDoc->documentElement");
}

}  // namespace
