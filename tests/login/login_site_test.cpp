// The sign-in form over real HTTPS to the stand-in's secure host.
#include "login/login.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "settings/settings.h"
#include "infolog/info_log.h"
#include "testlib/standin_client.h"

namespace {

const char kPremiumMail[] = "premium@kometori.test";
const char kPremiumPass[] = "p&ss+w%rd=1";  // needs the form encoding
const char kWrongAccount[] =
    "メールアドレスまたはパスワードが間違っているか、アカウントがロックされている可能性があります。";

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinAvailable());
        StandinReset();
        site.MainHost = StandinMainHost();
        site.SecureHost = StandinSecureHost();
    }
    void TearDown() override { StandinReset(); }

    SiteSettings site;
    LineCapture log_;
};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

TEST_F(LoginTest, RedirectAnswerWithEncodedPasswordSignsIn) {
    ASSERT_TRUE(Login(site, kPremiumMail, kPremiumPass));
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"ログイン中...", "id = 1000001", "ログインに成功しました"}));

    std::vector<StandinRequest> requests = StandinRequests();
    ASSERT_FALSE(requests.empty());
    const StandinRequest& post = requests.front();
    EXPECT_EQ(post.role, "secure");
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.path, "/secure/login");
    EXPECT_EQ(post.query, "site=mokumoku");
    EXPECT_EQ(post.body, "&next_url=&mail=premium%40kometori.test&password=p%26ss%2Bw%25rd%3D1");
    EXPECT_EQ(post.headers.at("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(LoginTest, DirectAnswerSignsIn) {
    std::string reason;
    EXPECT_TRUE(PostLogin(site, "direct@kometori.test", "directpass", reason));
    EXPECT_EQ(reason, "");
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"id = 1000003"}));
}

TEST_F(LoginTest, CookieWithoutIdCountsAsSuccess) {
    std::string reason;
    EXPECT_TRUE(PostLogin(site, "cookie@kometori.test", "cookiepass", reason));
    EXPECT_EQ(reason, "");
    std::vector<std::string> lines = log_.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "レスポンスヘッダからIDが確認できませんでした");
    EXPECT_TRUE(StartsWith(lines[1], "> HTTP/1."));
    // The session's name stays, its value never reaches the log.
    EXPECT_NE(lines[1].find("Set-Cookie: user_session=***; path=/\r\n"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[1].find("1000004_"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "◆IDが見つかりませんでしたが、クッキーの設定を確認したのでログインの成功と判定しました。");
}

TEST_F(LoginTest, LargeHeaderBlockIsReadAfterOneReallocation) {
    std::string reason;
    EXPECT_TRUE(PostLogin(site, "big@kometori.test", "bigpass", reason));
    std::vector<std::string> lines = log_.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(StartsWith(lines[0], "HttpQueryInfo : バッファを再確保します "));
    EXPECT_GT(std::stoul(lines[0].substr(lines[0].rfind(' ') + 1)), 10240u);
    EXPECT_EQ(lines[1], "id = 1000005");
}

TEST_F(LoginTest, WrongPasswordOrOtherLetterCaseFails) {
    EXPECT_FALSE(Login(site, kPremiumMail, "wrong"));
    std::vector<std::string> lines = log_.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "ログイン中...");
    EXPECT_EQ(lines[1], "レスポンスヘッダからIDが確認できませんでした");
    EXPECT_TRUE(StartsWith(lines[2], "> HTTP/1."));
    EXPECT_EQ(lines[3], std::string("ログインに失敗しました : ") + kWrongAccount);

    log_.Clear();
    StandinFault("secure", "othercase");
    std::string reason;
    EXPECT_FALSE(PostLogin(site, kPremiumMail, kPremiumPass, reason));
    EXPECT_EQ(reason, kWrongAccount);
}

TEST_F(LoginTest, UnreachableOrUntrustedHostFailsAtTheSend) {
    site.SecureHost = "127.0.0.1:1";
    EXPECT_FALSE(Login(site, kPremiumMail, kPremiumPass));
    EXPECT_EQ(log_.Lines(),
              (std::vector<std::string>{"ログイン中...", "Post : HttpSendRequest", "ログインに失敗しました : "}));

    // The certificate names localhost: reached by its address, it is refused.
    log_.Clear();
    std::string host = StandinSecureHost();
    site.SecureHost = "127.0.0.1" + host.substr(host.find(':'));
    std::string reason;
    EXPECT_FALSE(PostLogin(site, kPremiumMail, kPremiumPass, reason));
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"Post : HttpSendRequest"}));
    EXPECT_TRUE(StandinBodies("secure").empty());
}
