// The whole history of the stand-in's long thread (sm4000: 4500 comments,
// 1000 a request) through the fetch job.
#include "jobs/history_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "comments/comment_reader.h"
#include "infolog/info_log.h"
#include "jobs/fetch_job.h"
#include "testlib/site_test.h"
#include "testlib/temp_dir.h"

namespace {

// Runs an action on the job's thread when a log line starts with a text:
// the moment between two steps.
class LineTrigger : public LineSink {
public:
    LineTrigger(std::string prefix, std::function<void()> action)
        : prefix_(std::move(prefix)), action_(std::move(action)) {
        InfoLog.AddSink(this);
    }
    ~LineTrigger() override { InfoLog.RemoveSink(this); }
    void WriteLine(const std::string& line) override {
        if (line.rfind(prefix_, 0) == 0) action_();
    }

private:
    std::string prefix_;
    std::function<void()> action_;
};

class HistoryTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        App().settings.FilenameFormat = "%title%";
        App().settings.AccessWait = 0;
        App().settings.AutoOverWrite = false;
        FetchStopRequested() = false;  // a stop asked for before a job is kept for it
    }
    FetchJobResult Run(int maxRequests = 100) {
        FetchJobInput input;
        input.addressText = "sm4000";
        input.saveFolder = dir_.WidePath();
        input.history = true;
        input.maxRequests = maxRequests;
        return RunFetchJob(input, view_);
    }
    // The numbers of the saved file, in file order.
    std::vector<long long> Numbers() {
        CommentReader reader;
        std::vector<long long> numbers;
        EXPECT_TRUE(reader.Open(path_));
        while (reader.Next()) numbers.push_back(reader.Chat().Integer("no"));
        EXPECT_FALSE(reader.Failed()) << reader.Error();
        return numbers;
    }
    static std::vector<long long> Range(long long from, long long to) {
        std::vector<long long> numbers;
        for (long long no = from; no <= to; ++no) numbers.push_back(no);
        return numbers;
    }
    std::vector<std::string> StepLines() {
        std::vector<std::string> steps;
        for (const auto& line : log_.Lines()) {
            if (line.rfind("履歴 ", 0) == 0) steps.push_back(line);
        }
        return steps;
    }

    TempDir dir_;
    std::wstring path_ = dir_.File(L"表計算ソフト講座 全履歴.xml");
    LineCapture log_;
    FetchJobView view_;
};

TEST_F(HistoryTest, EveryCommentOnceInNumberOrder) {
    StandinSignIn("premium");
    // The replies wait in the system's temp folder: one of this test's own, as
    // other test programs spool into the shared one meanwhile, and under a
    // user's profile named as the code page cannot spell it.
    TempDir spoolRoot;
    const std::wstring spool = spoolRoot.File(kAccentedHangul);
    ASSERT_TRUE(MakeFolder(spool));
    wchar_t previousTmp[MAX_PATH] = {};
    const DWORD hadTmp = ::GetEnvironmentVariableW(L"TMP", previousTmp, MAX_PATH);
    ::SetEnvironmentVariableW(L"TMP", spool.c_str());
    FetchJobResult result = Run();
    ::SetEnvironmentVariableW(L"TMP", hadTmp ? previousTmp : nullptr);
    EXPECT_EQ(result.saved, 1);
    EXPECT_EQ(Numbers(), Range(1, 4500));
    const auto steps = StepLines();
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0], "履歴 1/100: 現在 → 新しいコメント 1000 件 (計 1000 件)");
    EXPECT_EQ(steps[1].substr(steps[1].find(" 以前")), " 以前 → 新しいコメント 999 件 (計 1999 件)");
    EXPECT_EQ(steps[4].substr(steps[4].find(" 以前")), " 以前 → 新しいコメント 503 件 (計 4500 件)");

    // The first request asks for the newest, each later one for the past log
    // as of the oldest comment held.
    const auto bodies = StandinBodies("message");
    ASSERT_EQ(bodies.size(), 5u);
    EXPECT_EQ(bodies[0].find("when="), std::string::npos);
    EXPECT_NE(bodies[1].find("when=\"" + std::to_string(1262304000 + 3501 * 2400) + "\""), std::string::npos);
    EXPECT_NE(bodies[4].find("when=\"" + std::to_string(1262304000 + 504 * 2400) + "\""), std::string::npos);

    const std::string saved = ReadFileBytes(path_);
    EXPECT_NE(saved.find("last_res=\"4500\""), std::string::npos) << "the newest reply's thread element";
    EXPECT_NE(saved.find("<view_counter video=\"0\"/>"), std::string::npos);
    EXPECT_EQ(saved.find("<view_counter"), saved.rfind("<view_counter")) << "one view_counter";
    EXPECT_EQ(ListFolder(dir_.Path()).size(), 1u);
    EXPECT_TRUE(ListFolder(spool).empty()) << "the replies' temporary files are gone";
}

TEST_F(HistoryTest, RequestLimitKeepsTheNewestSteps) {
    StandinSignIn("premium");
    FetchJobResult result = Run(2);
    EXPECT_EQ(result.saved, 1);
    EXPECT_EQ(Numbers(), Range(2502, 4500));
    EXPECT_EQ(StandinBodies("message").size(), 2u);
    const auto lines = log_.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "※リクエスト数の上限 (2 回) に達しました。これより古いコメントは取得していません"),
              lines.end());
}

TEST_F(HistoryTest, FailureMidwaySavesWhatCameAsAnIncompleteHistory) {
    StandinSignIn("premium");
    LineTrigger fault("履歴 2/", [] { StandinFault("message", "http500html"); });
    FetchJobResult result = Run();
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(Numbers(), Range(2502, 4500));
    const auto lines = log_.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "※全履歴の取得が途中で失敗しました。それまでのコメントを保存します (履歴は不完全です)"),
              lines.end());
}

TEST_F(HistoryTest, StopBetweenStepsSavesNothing) {
    StandinSignIn("premium");
    App().settings.AccessWait = 1;
    LineTrigger stop("履歴 2/", [] { FetchStopRequested() = true; });
    FetchJobResult result = Run();
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(StandinBodies("message").size(), 2u);
    EXPECT_TRUE(ListFolder(dir_.Path()).empty());
    const auto lines = log_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "待機中...(1秒)"), 1);
    EXPECT_EQ(lines.back(), "全履歴の取得を中止しました。ファイルは保存していません");
}

TEST_F(HistoryTest, PlainAccountIsRefusedOnceBeforeAnyComment) {
    StandinSignIn("plain");
    FetchJobResult result = Run();
    EXPECT_EQ(result.failed, 1);
    const auto lines = log_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "■プレミアムユーザーでログインしていることを確認して下さい"), 1);
    EXPECT_TRUE(StandinBodies("message").empty());
    EXPECT_TRUE(ListFolder(dir_.Path()).empty());
}

}  // namespace
