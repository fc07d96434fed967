// The watch page reader and its sign-in sequence against the stand-in site.
#include "acquisition/watch_page.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/prompts.h"
#include "settings/settings.h"
#include "infolog/info_log.h"
#include "login/login.h"
#include "testlib/site_test.h"

namespace {

const char kNotSignedIn[] = "モクモク動画にログインしていません";
const char kPleaseSignIn[] = "◆モクモク動画にログインして下さい";
const char kRestartHint[] = "ログインしてもこの表示が出る場合はKometoriを再起動させて下さい";

// Records the questions; the dialog signs in with the account it is given
// and, as the login dialog does, keeps it as the stored account.
class ScriptedPrompts : public WindowlessPrompts {
public:
    ScriptedPrompts(const SiteSettings& site, std::string& mail, std::string& pass)
        : site_(site), mail_(mail), pass_(pass) {}
    void ShowSignInNotice() override { ++notices; }
    bool RunLoginDialog() override {
        ++dialogs;
        if (dialogMail.empty() || !Login(site_, dialogMail, dialogPass)) return false;
        mail_ = dialogMail;
        pass_ = dialogPass;
        return true;
    }
    int notices = 0;
    int dialogs = 0;
    std::string dialogMail, dialogPass;

private:
    const SiteSettings& site_;
    std::string &mail_, &pass_;
};

class WatchPageTest : public StandinSiteTest {
protected:
    void SetUp() override {
        StandinSiteTest::SetUp();
        SetPrompts(&prompts_);
    }
    void TearDown() override {
        SetPrompts(nullptr);
        StandinSiteTest::TearDown();
    }

    bool ReadWatchPage(const std::string& address, std::string& title, std::string& videoId) {
        return ::ReadWatchPage(access, address, title, videoId);
    }
    std::string Watch(const std::string& segment) const { return access.site.WatchPrefix() + segment; }
    static int Count(const std::vector<std::string>& lines, const std::string& line) {
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    ScriptedPrompts prompts_{access.site, mail, pass};
};

}  // namespace

TEST_F(WatchPageTest, TitlesAndVideoIdsOfSignedInPages) {
    ASSERT_EQ(StandinSignIn("premium"), "1000001");
    LineCapture log;
    std::string title, id;
    ASSERT_TRUE(ReadWatchPage(Watch("sm9"), title, id));
    EXPECT_EQ(title, "新作アニメ第一話 ひだまり坂の猫たち");
    EXPECT_EQ(id, "sm9");
    ASSERT_TRUE(ReadWatchPage(Watch("sm1234/"), title, id));
    EXPECT_EQ(title, "【比較】東京/大阪: うどん対決 Part1");
    EXPECT_EQ(id, "sm1234");
    ASSERT_TRUE(ReadWatchPage(Watch("sm5000"), title, id));
    EXPECT_EQ(title, "表計算ソフト入門 ～第1回～ 表示形式");
    ASSERT_TRUE(ReadWatchPage(Watch("sm6000"), title, id));
    EXPECT_EQ(title, "ハイフン");  // cut at the first U+2010
    // A number names the video by its page; the page's script gives the ID.
    ASSERT_TRUE(ReadWatchPage(Watch("1173108780"), title, id));
    EXPECT_EQ(id, "sm9");
    EXPECT_TRUE(log.Lines().empty());

    ASSERT_TRUE(ReadWatchPage(Watch("1300000001"), title, id));
    EXPECT_EQ(title, "マイメモリー テスト");
    EXPECT_EQ(id, "1300000001");
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"マイメモリーのURLが指定されました"}));
}

TEST_F(WatchPageTest, ErrorPagesLogTheSiteMessage) {
    StandinSignIn("premium");
    LineCapture log;
    std::string title, id;
    EXPECT_FALSE(ReadWatchPage(Watch("sm3"), title, id));
    EXPECT_FALSE(ReadWatchPage(Watch("sm99999"), title, id));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "お探しの動画は再生できません",
                               "◆モクモク動画：この動画は投稿者により削除されました。\n他の動画をお楽しみ下さい。",
                               "動画が見つかりません",
                               "◆モクモク動画：指定された動画(sm99999)は存在しません。\nURLを確認して下さい。"}));
}

TEST_F(WatchPageTest, PagesWithoutMessageFailSilently) {
    StandinSignIn("premium");
    LineCapture log;
    std::string title, id;
    EXPECT_FALSE(ReadWatchPage("http://" + StandinMainHost() + "/nothing/here", title, id));  // 404 page
    StandinFault("main", "empty");
    EXPECT_FALSE(ReadWatchPage(Watch("sm9"), title, id));
    StandinFault("main", "truncated");
    EXPECT_FALSE(ReadWatchPage(Watch("sm9"), title, id));
    EXPECT_FALSE(ReadWatchPage("http://127.0.0.1:1/watch/sm9", title, id));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(WatchPageTest, StoredAccountAcceptedReadsThePageAgain) {
    mail = "premium@kometori.test";
    pass = "p&ss+w%rd=1";
    LineCapture log;
    std::string title, id;
    ASSERT_TRUE(ReadWatchPage(Watch("sm9"), title, id));
    EXPECT_EQ(id, "sm9");
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{kNotSignedIn, "ログイン中...", "id = 1000001", "ログインに成功しました"}));
    EXPECT_EQ(prompts_.notices, 0);
    EXPECT_EQ(prompts_.dialogs, 0);
}

TEST_F(WatchPageTest, StoredAccountRefusedGoesToTheDialog) {
    mail = "premium@kometori.test";
    pass = "wrong";
    LineCapture log;
    std::string title, id;
    EXPECT_FALSE(ReadWatchPage(Watch("sm9"), title, id));
    std::vector<std::string> lines = log.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), kNotSignedIn);
    EXPECT_EQ(lines[1], "ログイン中...");
    EXPECT_EQ(lines[lines.size() - 3].rfind("ログインに失敗しました : ", 0), 0u);
    EXPECT_EQ(lines[lines.size() - 2], kPleaseSignIn);
    EXPECT_EQ(lines.back(), kRestartHint);
    EXPECT_EQ(prompts_.notices, 0);
    EXPECT_EQ(prompts_.dialogs, 1);

    // The account typed into the dialog signs in and the page is read again.
    log.Clear();
    prompts_.dialogMail = "plain@kometori.test";
    prompts_.dialogPass = "plainpass";
    ASSERT_TRUE(ReadWatchPage(Watch("sm9"), title, id));
    EXPECT_EQ(mail, "plain@kometori.test");
    EXPECT_EQ(pass, "plainpass");
    EXPECT_EQ(prompts_.dialogs, 2);
}

TEST_F(WatchPageTest, NoStoredAccountWithoutWindowGivesUp) {
    mail = "premium@kometori.test";  // the password is missing
    SetPrompts(nullptr);             // the window-less answers
    LineCapture log;
    std::string title, id;
    EXPECT_FALSE(ReadWatchPage(Watch("sm9"), title, id));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{kNotSignedIn, kPleaseSignIn, kRestartHint}));

    SetPrompts(&prompts_);
    EXPECT_FALSE(ReadWatchPage(Watch("sm9"), title, id));
    EXPECT_EQ(prompts_.notices, 1);
    EXPECT_EQ(prompts_.dialogs, 1);
}

TEST_F(WatchPageTest, SiteThatKeepsAskingIsGivenUpAfterTheSecondSignIn) {
    mail = "premium@kometori.test";
    pass = "p&ss+w%rd=1";
    LineCapture log;
    std::string title, id;
    EXPECT_FALSE(ReadWatchPage(Watch("sm7777"), title, id));
    std::vector<std::string> lines = log.Lines();
    EXPECT_EQ(Count(lines, kNotSignedIn), 3);
    EXPECT_EQ(Count(lines, "ログインに成功しました"), 2);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], kPleaseSignIn);
    EXPECT_EQ(lines.back(), kRestartHint);
    EXPECT_EQ(prompts_.dialogs, 0);
}
