#include "jobs/subtitle_job.h"

#include <gtest/gtest.h>

#include "infolog/info_log.h"
#include "settings/settings.h"
#include "testlib/recording_view.h"
#include "testlib/temp_dir.h"

namespace {

class SubtitleJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(request.commentPath, "<packet><chat vpos=\"0\">a</chat><chat vpos=\"1\">b</chat></packet>");
        request.options.FontName = "IPAPGothic";
    }
    void TearDown() override { App().settings.AutoOverWrite = false; }

    TempDir dir;
    SubtitleRequest request{dir.File(L"予定.xml"), dir.File(L"予定.ass"), SubtitleSettings(), "done!", true};
    LineCapture log;
};

TEST_F(SubtitleJobTest, BatchRunLogsHeadingSummaryAndOutcome) {
    EXPECT_TRUE(RunSubtitleJob(request));
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{
                  "-----------------------------", "[字幕変換 開始]", "XML = " + dir.File("予定.xml"),
                  "SavePath = " + dir.File("予定.ass"), "Stage = 1920x1080", "Font = IPAPGothic",
                  "字幕 2件 (重ねて表示 0件)、画面が一杯で省略 0件、上限を超えて省略 0件、重複をまとめて省略 0件、"
                  "開始前で省略 0件、非表示 0件、削除 0件、空白 0件、読めずに省略 0件、除外 0件",
                  "Save ASS", "done!"}));
    EXPECT_EQ(ReadFileBytes(request.assPath).rfind("\xEF\xBB\xBF[Script Info]\r\n", 0), 0u);

    request.commentPath = dir.File(L"missing.xml");
    EXPECT_FALSE(RunSubtitleJob(request));
    EXPECT_EQ(log.Lines().back(), "◆字幕ファイル変換処理中にエラーが発生しました");
}

TEST_F(SubtitleJobTest, WithoutBatchTheViewShowsProgressAndOutcome) {
    request.batch = false;
    RecordingView view;
    EXPECT_TRUE(RunSubtitleJob(request, &view));
    EXPECT_EQ(view.percents, (std::vector<int>{0, 50}));
    EXPECT_EQ(view.done, 1);
    EXPECT_EQ(view.outcomes, (std::vector<std::string>{"done!"}));

    request.commentPath = dir.File(L"missing.xml");
    EXPECT_FALSE(RunSubtitleJob(request, &view));
    EXPECT_EQ(view.outcomes.back(), "字幕ファイル変換処理中にエラーが発生しました。");
}

TEST_F(SubtitleJobTest, FileNameAndOverwrite) {
    EXPECT_EQ(SubtitleFilePathFor(L"C:\\a\\ソ表.xml"), L"C:\\a\\ソ表.ass");
    EXPECT_EQ(SubtitleFilePathFor(L"C:\\a.b\\comments"), L"C:\\a.b\\comments.ass");
    EXPECT_EQ(SubtitleFilePathFor(L"C:\\a\\b.old.XML"), L"C:\\a\\b.old.ass");
    EXPECT_EQ(SubtitleSavedMessage(L"x.ass"), "字幕ファイル(ASS)を保存しました。\n\nx.ass");

    std::wstring path;
    EXPECT_TRUE(ChooseSubtitleFilePath(request.commentPath, path));  // nothing there yet
    EXPECT_EQ(path, request.assPath);
    WriteFileBytes(request.assPath, "x");
    EXPECT_FALSE(ChooseSubtitleFilePath(request.commentPath, path));  // no window: never replaced
    App().settings.AutoOverWrite = true;
    EXPECT_TRUE(ChooseSubtitleFilePath(request.commentPath, path));
}

}  // namespace
