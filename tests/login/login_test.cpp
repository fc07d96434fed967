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
                  "レスポンスヘッダからIDが確認できませんでした",
                  "> HTTP/1.1 200 OK\r\nx-mokumoku-id: \r\nSet-Cookie: s=***\r\n\r\n",
                  "◆IDが見つかりませんでしたが、クッキーの設定を確認したのでログインの成功と判定しました。"}));
}

TEST(JudgeLoginHeaders, NeitherOrOtherLetterCaseIsFailure) {
    LineCapture capture;
    std::string reason;
    const std::string block = "HTTP/1.1 200 OK\r\nX-Mokumoku-Id: 1\r\nset-cookie: s=1\r\n\r\n";
    EXPECT_FALSE(JudgeLoginHeaders(block, reason));
    EXPECT_EQ(reason, "メールアドレスまたはパスワードが間違っているか、アカウントがロックされている可能性があります。");
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{"レスポンスヘッダからIDが確認できませんでした",
                                        "> HTTP/1.1 200 OK\r\nX-Mokumoku-Id: 1\r\nset-cookie: s=***\r\n\r\n"}));
}

TEST(MaskCookieValues, ValuesGoNamesAndAttributesStay) {
    const struct {
        const char* headers;
        const char* logged;
    } cases[] = {
        {"Set-Cookie: user_session=1000004_0001; path=/\r\n", "Set-Cookie: user_session=***; path=/\r\n"},
        {"SET-COOKIE:a=1\r\n", "SET-COOKIE:a=***\r\n"},
        {"Set-Cookie: s=; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/\r\n",
         "Set-Cookie: s=***; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/\r\n"},
        {"Set-Cookie: a=x=y; Secure, b=2; Expires=Fri, 02 Jan 2099 00:00:00 GMT, c=3",
         "Set-Cookie: a=***; Secure, b=***; Expires=Fri, 02 Jan 2099 00:00:00 GMT, c=***"},
        {"Set-Cookie: bare\r\nSet-Cookie:\r\n", "Set-Cookie: ***\r\nSet-Cookie:\r\n"},
        {"HTTP/1.1 302 Found\r\nLocation: /a=b\r\nX-Set-Cookie: a=1\r\n\r\n",
         "HTTP/1.1 302 Found\r\nLocation: /a=b\r\nX-Set-Cookie: a=1\r\n\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(MaskCookieValues(c.headers), c.logged) << c.headers;
}
