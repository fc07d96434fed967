#include "jobs/conversion_job.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "infolog/info_log.h"
#include "testlib/recording_view.h"
#include "testlib/temp_dir.h"

namespace {

class ConversionJobTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(request.commentPath, "<packet><chat no=\"1\"/><chat no=\"2\"/></packet>"); }
    void TearDown() override { App().settings.AutoOverWrite = false; }

    TempDir dir;
    ConversionRequest request{dir.File(L"c.xml"), dir.File(L"c.txt"), "%no%", "done!", true};
    LineCapture log;
};

TEST_F(ConversionJobTest, BatchSuccessLogsHeadingAndCompletion) {
    EXPECT_TRUE(RunConversionJob(request));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"-----------------------------", "[データ抽出 開始]",
                                                     "Format = %no%", "XML = " + dir.File("c.xml"),
                                                     "SavePath = " + dir.File("c.txt"), "Save Text", "done!"}));
    EXPECT_EQ(ReadFileBytes(request.textPath), "1\r\n2\r\n");
}

TEST_F(ConversionJobTest, BatchFailureIsAMarkedLine) {
    request.commentPath = dir.File(L"missing.xml");
    RecordingView view;
    EXPECT_FALSE(RunConversionJob(request, &view));
    auto lines = log.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Error : pDoc->documentElement");
    EXPECT_EQ(lines.back(), "◆テキスト変換処理中にエラーが発生しました");
    EXPECT_TRUE(view.outcomes.empty());
}

TEST_F(ConversionJobTest, WithoutBatchTheViewShowsTheOutcome) {
    request.batch = false;
    RecordingView view;
    EXPECT_TRUE(RunConversionJob(request, &view));
    EXPECT_EQ(view.outcomes, (std::vector<std::string>{"done!"}));
    // A small file is read in one piece.
    EXPECT_EQ(view.percents, (std::vector<int>{99}));
    EXPECT_EQ(view.done, 1);
    EXPECT_EQ(log.Lines().back(), "Save Text");

    request.commentPath = dir.File(L"missing.xml");
    EXPECT_FALSE(RunConversionJob(request, &view));
    EXPECT_EQ(view.outcomes.back(), "テキスト変換処理中にエラーが発生しました。");

    // Without a view the outcome goes to the log as it is.
    EXPECT_FALSE(RunConversionJob(request));
    EXPECT_EQ(log.Lines().back(), "テキスト変換処理中にエラーが発生しました。");
}

TEST_F(ConversionJobTest, TextFilePathRule) {
    const struct {
        const wchar_t* comment;
        const wchar_t* text;
    } rows[] = {
        {L"C:\\a\\b.xml", L"C:\\a\\b.txt"},
        {L"C:\\a\\b.XML", L"C:\\a\\b.txt"},
        {L"C:\\a\\b.json", L"C:\\a\\b.jtxt"},  // three characters, not the extension
        {L"ab", L"txt"},
        {L"C:\\予告\\能力表.xml", L"C:\\予告\\能力表.txt"},
        {L"C:\\d\\ソース表", L"C:\\d\\ソtxt"},
        {L"C:\\Users\\Jos\u00E9 \uD55C\uAD6D\\\U0001F600.xml", L"C:\\Users\\Jos\u00E9 \uD55C\uAD6D\\\U0001F600.txt"},
        {L"C:\\d\\abc\U0001F600", L"C:\\d\\atxt"},  // a surrogate pair is one character
    };
    for (const auto& row : rows) EXPECT_EQ(TextFilePathFor(row.comment), row.text);
    // Messages show "?" for what the code page lacks.
    const std::wstring hangul = std::wstring(L"C:\\") + kHangulName + L"\\x.txt";
    EXPECT_EQ(TextSavedMessage(hangul), "コメント(テキストファイル)を保存しました。\n\nC:\\???\\x.txt");
}

TEST_F(ConversionJobTest, ExistingTextFileNeedsPermission) {
    std::wstring path;
    EXPECT_TRUE(ChooseTextFilePath(request.commentPath, path));  // nothing there yet
    EXPECT_EQ(path, request.textPath);
    WriteFileBytes(request.textPath, "x");
    EXPECT_FALSE(ChooseTextFilePath(request.commentPath, path));  // no window: never replaced
    App().settings.AutoOverWrite = true;
    EXPECT_TRUE(ChooseTextFilePath(request.commentPath, path));
    EXPECT_EQ(path, request.textPath);
}

}  // namespace
