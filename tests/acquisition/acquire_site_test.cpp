// One address to one comment file, end to end against the stand-in site.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "acquisition/comment_client.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "infolog/info_log.h"
#include "testlib/scripted_prompts.h"
#include "testlib/site_test.h"
#include "testlib/temp_dir.h"

namespace {

const char kSm9Title[] = "新作アニメ第一話 ひだまり坂の猫たち";

class AcquireTest : public StandinSiteTest {
protected:
    void SetUp() override {
        StandinSiteTest::SetUp();
        _putenv_s("TZ", "JST-9");
        _tzset();
    }

    // The saved path in the code page, as these tests' names all are.
    bool Acquire(const std::string& address, std::string& savedPath, std::tm pastDate = std::tm{}) {
        FetchOptions options;
        options.address = address;
        options.commentCount = 5;
        options.saveFolder = dir_.WidePath();
        options.pastDate = pastDate;
        options.fileNameFormat = fileNameFormat;
        options.autoOverwrite = &autoOverwrite;
        const AcquireResult result = CCommentClient(access).AcquireComments(options);
        outcome_ = result.outcome;
        if (!result.path.empty()) savedPath = WideToAnsi(result.path);
        return result.outcome == AcquireOutcome::Saved;
    }
    bool Logged(const std::string& line) {
        auto lines = log_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // The lines from the first one equal to `from`.
    std::vector<std::string> LinesFrom(const std::string& from) {
        auto lines = log_.Lines();
        auto it = std::find(lines.begin(), lines.end(), from);
        return std::vector<std::string>(it, lines.end());
    }
    std::string Root() const { return "http://" + StandinMainHost() + "/"; }

    std::string fileNameFormat = kDefaultFilenameFormat;
    bool autoOverwrite = false;
    TempDir dir_;
    LineCapture log_;
    AcquireOutcome outcome_ = AcquireOutcome::Failed;  // of the last Acquire
};

TEST_F(AcquireTest, BareIdFullAddressAndTrailingSlash) {
    StandinSignIn("premium");
    for (std::string address : {std::string("sm9"), Root() + "watch/sm9", Root() + "watch/sm9/"}) {
        SCOPED_TRACE(address);
        log_.Clear();
        std::string savedPath;
        ASSERT_TRUE(Acquire(address, savedPath));
        const std::string expected = dir_.Path() + "\\" + kSm9Title + "(sm9)[";
        EXPECT_EQ(savedPath.substr(0, expected.size()), expected);
        EXPECT_EQ(savedPath.substr(savedPath.size() - 4), ".xml");
        EXPECT_TRUE(FileExists(savedPath));
        auto lines = log_.Lines();
        ASSERT_GE(lines.size(), 12u);
        EXPECT_EQ(lines[0], "Check URL...");
        EXPECT_EQ(lines[1], std::string("Title = ") + kSm9Title);
        EXPECT_EQ(lines[2], "Thread = sm9");
        EXPECT_EQ(lines[3], "Search ThreadId...");
        EXPECT_EQ(lines[4], "ThreadId = 1173108780");
        EXPECT_EQ(lines[5], "Search MessageServerURL...");
        EXPECT_EQ(lines[6], "MessageServerURL = " + StandinMessageUrl());
        EXPECT_EQ(lines[7], "現在のコメントを取得します");
        EXPECT_EQ(lines[8], "Post Data = <thread res_from=\"-5\" version=\"20061206\" thread=\"1173108780\" />");
        EXPECT_EQ(lines[9].rfind(std::string("Filename = ") + kSm9Title + "(sm9)[", 0), 0u);
        EXPECT_EQ(lines.back(), "Save XML");
        DeleteFileA(savedPath.c_str());
    }
    // The video information request got the segment alone.
    auto requests = StandinRequests();
    int getflv = 0;
    for (const auto& r : requests) {
        if (r.path == "/api/getflv") {
            EXPECT_EQ(r.query, "v=sm9");
            ++getflv;
        }
    }
    EXPECT_EQ(getflv, 3);
}

TEST_F(AcquireTest, ShortSegmentFailsAfterThePageRead) {
    StandinSignIn("premium");
    std::string savedPath = "untouched";
    EXPECT_FALSE(Acquire("s1", savedPath));
    EXPECT_EQ(LinesFrom("Title = 短いID"), (std::vector<std::string>{"Title = 短いID", "URLが正しくありません"}));
    EXPECT_EQ(savedPath, "untouched");
}

TEST_F(AcquireTest, AddressOnAnotherHostIsPrefixed) {
    StandinSignIn("premium");
    std::string savedPath;
    EXPECT_FALSE(Acquire("https://elsewhere.example/watch/sm9", savedPath));
    EXPECT_EQ(log_.Lines().back(), "Error");
    auto requests = StandinRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].path.rfind("/watch/https:", 0), 0u) << requests[0].path;
}

TEST_F(AcquireTest, PastLogForPremium) {
    StandinSignIn("premium");
    fileNameFormat = "%thread%[%year%.%month2%.%day2% %hour2%.%minute2%.%second2%]";
    std::tm date{};
    date.tm_year = 110;
    date.tm_mon = 0;
    date.tm_mday = 2;
    date.tm_hour = 3;
    date.tm_min = 4;
    date.tm_sec = 5;
    std::string savedPath;
    ASSERT_TRUE(Acquire("sm9", savedPath, date));
    EXPECT_EQ(savedPath, dir_.File("sm9[2010.01.02 03.04.05].xml"));
    EXPECT_TRUE(Logged("過去ログからコメントを取得します"));
    EXPECT_TRUE(Logged("Search waybackkey..."));
    auto bodies = StandinBodies("message");
    ASSERT_EQ(bodies.size(), 1u);
    // 2010-01-02 03:04:05 at UTC+9 is 1262369045.
    EXPECT_NE(bodies[0].find("<thread user_id=\"1000001\" when=\"1262369045\" waybackkey=\"1173108780."),
              std::string::npos)
        << bodies[0];
}

TEST_F(AcquireTest, PastLogRefusedWithoutPremium) {
    StandinSignIn("plain");
    std::tm date{};
    date.tm_year = 110;
    date.tm_mday = 2;
    std::string savedPath = "untouched";
    EXPECT_FALSE(Acquire("sm9", savedPath, date));
    EXPECT_EQ(LinesFrom("Search waybackkey..."),
              (std::vector<std::string>{"Search waybackkey...", "waybackkeyの取得に失敗しました",
                                        "■プレミアムユーザーでログインしていることを確認して下さい"}));
    EXPECT_EQ(savedPath, "untouched");
    EXPECT_TRUE(StandinBodies("message").empty());
}

TEST_F(AcquireTest, DateBefore1970IsRefusedBeforeAnyKeyRequest) {
    StandinSignIn("premium");
    std::tm date{};
    date.tm_year = 60;
    date.tm_mday = 1;
    std::string savedPath;
    EXPECT_FALSE(Acquire("sm9", savedPath, date));
    EXPECT_EQ(log_.Lines().back(), "過去ログ取得日時の設定値が正しくありません");
    for (const auto& r : StandinRequests()) EXPECT_NE(r.path, "/api/getwaybackkey");
}

TEST_F(AcquireTest, SignsInWithTheStoredAccount) {
    mail = "premium@kometori.test";
    pass = "p&ss+w%rd=1";
    std::string savedPath;
    ASSERT_TRUE(Acquire("sm9", savedPath));
    EXPECT_TRUE(Logged("モクモク動画にログインしていません"));
    EXPECT_TRUE(FileExists(savedPath));
}

TEST_F(AcquireTest, ErrorPageIsReported) {
    StandinSignIn("premium");
    std::string savedPath;
    EXPECT_FALSE(Acquire("sm3", savedPath));
    auto lines = log_.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 3], "お探しの動画は再生できません");
    EXPECT_EQ(lines[lines.size() - 2].rfind("◆モクモク動画：", 0), 0u);
    EXPECT_EQ(lines.back(), "Error");
}

class OverwriteAcquireTest : public AcquireTest {
protected:
    void SetUp() override {
        AcquireTest::SetUp();
        StandinSignIn("premium");
        fileNameFormat = "%thread%";
        target_ = dir_.File("sm9.xml");
        WriteFileBytes(target_, "old");
    }
    std::string target_;
    ScriptedPrompts prompts_;
    ScopedPrompts scope_{prompts_};
};

TEST_F(OverwriteAcquireTest, AlwaysOverwriteAndYes) {
    autoOverwrite = true;
    std::string savedPath;
    ASSERT_TRUE(Acquire("sm9", savedPath));
    EXPECT_EQ(savedPath, target_);
    EXPECT_EQ(prompts_.asked, 0);
    EXPECT_NE(ReadFileBytes(target_), "old");

    autoOverwrite = false;
    WriteFileBytes(target_, "old");
    prompts_.choice = OverwriteChoice::Overwrite;
    ASSERT_TRUE(Acquire("sm9", savedPath));
    EXPECT_EQ(prompts_.asked, 1);
    EXPECT_NE(ReadFileBytes(target_), "old");
}

TEST_F(OverwriteAcquireTest, SaveAsAndCancel) {
    prompts_.choice = OverwriteChoice::SaveAs;
    prompts_.saveAsName = dir_.File(L"other");
    std::string savedPath;
    ASSERT_TRUE(Acquire("sm9", savedPath));
    EXPECT_EQ(savedPath, dir_.File("other.xml"));
    EXPECT_TRUE(FileExists(savedPath));
    EXPECT_EQ(ReadFileBytes(target_), "old");

    prompts_.choice = OverwriteChoice::Cancel;
    log_.Clear();
    EXPECT_FALSE(Acquire("sm9", savedPath));
    EXPECT_EQ(outcome_, AcquireOutcome::Cancelled);
    EXPECT_EQ(log_.Lines().back(), "Filename = sm9");
    EXPECT_EQ(ReadFileBytes(target_), "old");
}

// A title whose last character ends in 0x5C, right before the extension:
// saved under another name, then replaced.
TEST_F(OverwriteAcquireTest, TitleWithBackslashByteSavedAsAndReplaced) {
    fileNameFormat = "%title%";
    const std::string target = dir_.File("第十回 能力構成の申告表.xml");
    WriteFileBytes(target, "old");
    prompts_.choice = OverwriteChoice::SaveAs;
    prompts_.saveAsName = AnsiToWide(dir_.File("別名の申告.予定表"));  // the extension is not ".xml": it is added
    std::string savedPath;
    ASSERT_TRUE(Acquire("sm5200", savedPath));
    EXPECT_EQ(savedPath, dir_.File("別名の申告.予定表.xml"));
    EXPECT_NE(ReadFileBytes(savedPath).find("<packet>"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(target), "old");

    prompts_.choice = OverwriteChoice::Overwrite;
    ASSERT_TRUE(Acquire("sm5200", savedPath));
    EXPECT_EQ(savedPath, target);
    EXPECT_NE(ReadFileBytes(target).find("<packet>"), std::string::npos);
    EXPECT_EQ(ListFolder(dir_.Path()).size(), 3u) << "sm9.xml, the target and the other name: nothing left behind";
}

TEST_F(OverwriteAcquireTest, FailingMessageServer) {
    autoOverwrite = true;
    StandinFault("message", "notext");
    std::string savedPath;
    EXPECT_FALSE(Acquire("sm9", savedPath));
    EXPECT_EQ(savedPath, target_);
    EXPECT_EQ(log_.Lines().back(), "XMLの取得に失敗しました");

    StandinFault("message", "notxml");
    log_.Clear();
    EXPECT_FALSE(Acquire("sm9", savedPath));
    auto tail = LinesFrom("Get XML...");
    ASSERT_EQ(tail.size(), 6u);
    EXPECT_EQ(tail[1], "");
    EXPECT_EQ(tail[2], "処理中に例外が発生しました");
    EXPECT_EQ(tail[3], "Description : ");
    EXPECT_EQ(tail[4], "Source : ");
    EXPECT_EQ(tail[5].rfind("Message : ", 0), 0u);
    EXPECT_EQ(ReadFileBytes(target_), "old");
}

}  // namespace
