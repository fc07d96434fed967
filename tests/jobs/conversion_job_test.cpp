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
    ConversionRequest request{dir.File("c.xml"), dir.File("c.txt"), "%no%", "done!", true};
    LineCapture log;
};

TEST_F(ConversionJobTest, BatchSuccessLogsHeadingAndCompletion) {
    EXPECT_TRUE(RunConversionJob(request));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"-----------------------------", "[データ抽出 開始]",
                                                     "Format = %no%", "XML = " + request.commentPath,
                                                     "SavePath = " + request.textPath, "Save Text", "done!"}));
    EXPECT_EQ(ReadFileBytes(request.textPath), "1\r\n2\r\n");
}

TEST_F(ConversionJobTest, BatchFailureIsAMarkedLine) {
    request.commentPath = dir.File("missing.xml");
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
    EXPECT_EQ(view.percents, (std::vector<int>{0, 50}));
    EXPECT_EQ(view.done, 1);
    EXPECT_EQ(log.Lines().back(), "Save Text");

    request.commentPath = dir.File("missing.xml");
    EXPECT_FALSE(RunConversionJob(request, &view));
    EXPECT_EQ(view.outcomes.back(), "テキスト変換処理中にエラーが発生しました。");

    // Without a view the outcome goes to the log as it is.
    EXPECT_FALSE(RunConversionJob(request));
    EXPECT_EQ(log.Lines().back(), "テキスト変換処理中にエラーが発生しました。");
}

TEST_F(ConversionJobTest, TextFilePathRule) {
    EXPECT_EQ(TextFilePathFor("C:\\a\\b.xml"), "C:\\a\\b.txt");
    EXPECT_EQ(TextFilePathFor("C:\\a\\b.XML"), "C:\\a\\b.txt");
    EXPECT_EQ(TextFilePathFor("C:\\a\\b.json"), "C:\\a\\b.jtxt");  // three characters, not the extension
    EXPECT_EQ(TextFilePathFor("ab"), "txt");
    // Characters, not bytes: 表 and ソ end in 0x5C.
    EXPECT_EQ(TextFilePathFor("C:\\予告\\能力表.xml"), "C:\\予告\\能力表.txt");
    EXPECT_EQ(TextFilePathFor("C:\\d\\ソース表"), "C:\\d\\ソtxt");
    EXPECT_EQ(TextSavedMessage("x.txt"), "コメント(テキストファイル)を保存しました。\n\nx.txt");
}

TEST_F(ConversionJobTest, ExistingTextFileNeedsPermission) {
    std::string path;
    EXPECT_TRUE(ChooseTextFilePath(request.commentPath, path));  // nothing there yet
    EXPECT_EQ(path, request.textPath);
    WriteFileBytes(request.textPath, "x");
    EXPECT_FALSE(ChooseTextFilePath(request.commentPath, path));  // no window: never replaced
    App().settings.AutoOverWrite = true;
    EXPECT_TRUE(ChooseTextFilePath(request.commentPath, path));
    EXPECT_EQ(path, request.textPath);
}

}  // namespace
