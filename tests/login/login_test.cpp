#include "login/login.h"

#include <gtest/gtest.h>

#include "infolog/info_log.h"

TEST(LoginForm, ValuesArePercentEncoded) {
    EXPECT_EQ(FormEncode("a.b-c_d~9"), "a.b-c_d~9");
    EXPECT_EQ(FormEncode("p&a+s%s=w d"), "p%26a%2Bs%25s%3Dw%20d");
    EXPECT_EQ(FormEncode("ソ"), "%83%5C");
    EXPECT_EQ(LoginFormBody("me@example.jp", "x&y"), "&next_url=&mail=me%40example.jp&password=x%26y");
}

TEST(JudgeLoginHeaders, AccountIdIsSuccess) {
    LineCapture capture;
    std::string reason;
    EXPECT_TRUE(JudgeLoginHeaders("HTTP/1.1 200 OK\r\nx-mokumoku-id: 12345\r\nSet-Cookie: s=1\r\n\r\n", reason));
    EXPECT_EQ(reason, "");
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"id = 12345"}));
}

TEST(JudgeLoginHeaders, CookieWithoutIdIsSuccessAfterDump) {
    LineCapture capture;
    std::string reason;
    const std::string block = "HTTP/1.1 200 OK\r\nx-mokumoku-id: \r\nSet-Cookie: s=1\r\n\r\n";
    EXPECT_TRUE(JudgeLoginHeaders(block, reason));
    EXPECT_EQ(reason, "");
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{
                  "レスポンスヘッダからIDが確認できませんでした", "> " + block,
                  "◆IDが見つかりませんでしたが、クッキーの設定を確認したのでログインの成功と判定しました。"}));
}

TEST(JudgeLoginHeaders, NeitherOrOtherLetterCaseIsFailure) {
    LineCapture capture;
    std::string reason;
    const std::string block = "HTTP/1.1 200 OK\r\nX-Mokumoku-Id: 1\r\nset-cookie: s=1\r\n\r\n";
    EXPECT_FALSE(JudgeLoginHeaders(block, reason));
    EXPECT_EQ(reason, "メールアドレスまたはパスワードが間違っているか、アカウントがロックされている可能性があります。");
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{"レスポンスヘッダからIDが確認できませんでした", "> " + block}));
}
