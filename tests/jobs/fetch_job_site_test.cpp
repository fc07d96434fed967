// The fetch job's loop with a recording view, against the stand-in site.
#include "jobs/fetch_job.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "settings/settings.h"
#include "infolog/info_log.h"
#include "jobs/conversion_job.h"
#include "testlib/site_test.h"
#include "testlib/temp_dir.h"

namespace {

class RecordingView : public FetchJobView {
public:
    void ShowBusy() override {
        ++busy;
        if (stopOnBusy && busy == stopOnBusy) RequestFetchStop();
    }
    void ShowIdle() override { ++idle; }
    void ShowSaved() override { ++saved; }
    bool GetAllChecked() override { return getAll; }
    bool TextConversionChecked() override { return text; }
    void ShowMessage(const std::string& message) override { messages.push_back(message); }
    void RevealInfoWindow() override { ++reveals; }
    void Beep() override { ++beeps; }

    bool getAll = false;
    bool text = false;
    int stopOnBusy = 0;
    int busy = 0, idle = 0, saved = 0, reveals = 0, beeps = 0;
    std::vector<std::string> messages;
};

class FetchJobTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        FetchStopRequested() = false;
        StandinSignIn("premium");
        App().settings.FilenameFormat = "%thread%";
        App().settings.AccessWait = 1;
        App().settings.CompleteBeep = true;
        App().settings.AutoOverWrite = false;
    }
    FetchJobResult Run(const std::string& addresses, bool batch = false) {
        FetchJobInput input;
        input.addressText = addresses;
        input.saveFolder = dir_.WidePath();
        input.commentCount = 3;
        input.batch = batch;
        FetchStopRequested() = false;  // as whoever starts a job does
        return RunFetchJob(input, view_);
    }
    int Count(const std::string& line) {
        auto lines = log_.Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    TempDir dir_;
    LineCapture log_;
    RecordingView view_;
};

TEST_F(FetchJobTest, OneAddressReportsInAMessageBox) {
    FetchJobResult result = Run("sm9");
    EXPECT_EQ(result.saved, 1);
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0], "コメントファイルを保存しました。\n\n" + dir_.File("sm9.xml"));
    EXPECT_EQ(Count("コメントファイルを保存しました"), 0);
    EXPECT_EQ(view_.beeps, 0);
    EXPECT_EQ(log_.Lines().back(), "全ての処理を完了しました");
    EXPECT_EQ(view_.idle, 1);

    // A failure: the fixed text in a message box, no "◆" line.
    FetchJobResult failed = Run("sm3");
    EXPECT_EQ(failed.failed, 1);
    EXPECT_EQ(view_.messages.back(), kFetchErrorText);
    EXPECT_EQ(view_.reveals, 0);
}

TEST_F(FetchJobTest, SeveralAddressesInBatch) {
    view_.getAll = true;
    FetchJobResult result = Run("sm9;;sm3;sm1234");
    EXPECT_EQ(result.saved, 2);
    EXPECT_EQ(result.failed, 1);
    EXPECT_TRUE(view_.messages.empty()) << "batch mode never opens a message box";
    EXPECT_EQ(Count("[コメント 取得開始]"), 3);
    EXPECT_EQ(Count("Comment = 1000"), 3);
    EXPECT_EQ(Count("待機中...(1秒)"), 2);
    EXPECT_EQ(Count("コメントファイルを保存しました"), 2);
    EXPECT_EQ(Count(std::string("◆") + kFetchErrorText), 1);
    EXPECT_EQ(view_.reveals, 1);
    EXPECT_EQ(view_.beeps, 1);
    EXPECT_EQ(log_.Lines().back(), "全ての処理を完了しました");
}

TEST_F(FetchJobTest, AutomaticFetchingIsBatchWithoutPauseOrBeep) {
    FetchJobResult result = Run("sm9", true);
    EXPECT_EQ(result.saved, 1);
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_EQ(Count("コメントファイルを保存しました"), 1);
    EXPECT_EQ(Count("待機中...(1秒)"), 0);
    EXPECT_EQ(view_.beeps, 0);
}

TEST_F(FetchJobTest, NothingToFetch) {
    Run(";");
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"全ての処理を完了しました"}));
    EXPECT_EQ(view_.beeps, 0);
    EXPECT_TRUE(StandinRequests().empty());
}

TEST_F(FetchJobTest, NoPauseForZeroWaitAndCancelGoesOn) {
    App().settings.AccessWait = 0;
    App().settings.CompleteBeep = false;
    WriteFileBytes(dir_.File("sm9.xml"), "old");
    FetchJobResult result = Run("sm9;sm1234");
    EXPECT_EQ(result.cancelled, 1);
    EXPECT_EQ(result.saved, 1);
    EXPECT_EQ(Count("操作を取り消しました"), 1);
    EXPECT_EQ(Count("※待機時間はiniファイルのAccessWait=で設定できます"), 0);
    EXPECT_EQ(view_.beeps, 0);
    EXPECT_EQ(ReadFileBytes(dir_.File("sm9.xml")), "old");
}

TEST_F(FetchJobTest, StopDuringThePauseSkipsTheRest) {
    App().settings.AccessWait = 30;
    view_.stopOnBusy = 2;  // the busy state shown right before the first pause
    FetchJobResult result = Run("sm9;sm1234;sm5000");
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.saved, 1);
    EXPECT_EQ(Count("[コメント 取得開始]"), 1);
    EXPECT_EQ(Count("処理を途中停止しました"), 1);
    EXPECT_EQ(Count("全ての処理を完了しました"), 0);
    EXPECT_EQ(view_.idle, 1);
    EXPECT_FALSE(FileExists(dir_.File("sm1234.xml")));
}

TEST_F(FetchJobTest, StopRequestedBeforeTheJobRunsIsHonoured) {
    FetchJobInput input;
    input.addressText = "sm9;sm1234";
    input.saveFolder = dir_.WidePath();
    input.commentCount = 3;
    RequestFetchStop();  // asked for before the job's thread got going; the request logs the line
    FetchJobResult result = RunFetchJob(input, view_);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.saved, 0);
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"処理を途中停止しました"}));
    EXPECT_TRUE(StandinRequests().empty());
    EXPECT_EQ(view_.idle, 1);
}

TEST_F(FetchJobTest, TextConversionAfterTheSave) {
    view_.text = true;
    FetchJobResult result = Run("sm9;sm1234");
    EXPECT_EQ(result.saved, 2);
    EXPECT_TRUE(FileExists(dir_.File("sm9.txt")));
    EXPECT_TRUE(FileExists(dir_.File("sm1234.txt")));
    // An existing text file that may not be replaced: the conversion is skipped.
    DeleteFileA(dir_.File("sm9.xml").c_str());
    WriteFileBytes(dir_.File("sm9.txt"), "old text");
    log_.Clear();
    FetchJobResult again = Run("sm9");
    EXPECT_EQ(again.cancelled, 1);
    EXPECT_TRUE(FileExists(dir_.File("sm9.xml")));
    EXPECT_EQ(ReadFileBytes(dir_.File("sm9.txt")), "old text");
    EXPECT_EQ(Count("操作を取り消しました"), 1);
}

}  // namespace
