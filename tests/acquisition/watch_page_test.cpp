#include "acquisition/watch_page.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "infolog/info_log.h"

namespace {

std::string SignedInPage(const std::string& title, const std::string& extra = {}) {
    return "<html><head><title>" + title +
           "</title></head><body>"
           "<embed src=\"http://example/mokuplayer.swf\">" +
           extra + "</body></html>";
}

}  // namespace

TEST(LastPathSegment, Rules) {
    std::string segment;
    EXPECT_TRUE(LastPathSegment("http://h/watch/sm9/", segment));
    EXPECT_EQ(segment, "sm9");
    EXPECT_FALSE(LastPathSegment("http://h/watch/ab", segment));
    EXPECT_EQ(segment, "ab");
    EXPECT_FALSE(LastPathSegment("sm9", segment));
    EXPECT_EQ(segment, "sm9");
    EXPECT_FALSE(LastPathSegment("sm9/", segment));
    EXPECT_EQ(segment, "sm9/");
    EXPECT_TRUE(LastPathSegment("http://h/watch/sm9?from=1", segment));
    EXPECT_EQ(segment, "sm9?from=1");
    EXPECT_FALSE(LastPathSegment("http://h/watch/表示", segment)) << "two characters, four bytes";
    EXPECT_TRUE(LastPathSegment("http://h/watch/表示ソ", segment));
}

TEST(Utf8ToAnsi, ConvertsToCodePage932ByValue) {
    // "ソ" ends in 0x5C, "‐" is U+2010.
    std::string first = Utf8ToAnsi(u8"ソ‐表");
    std::string second = Utf8ToAnsi(u8"abc");
    EXPECT_EQ(first, "ソ‐表");
    EXPECT_EQ(first, "\x83\x5C\x81\x5D\x95\x5C");
    EXPECT_EQ(second, "abc");
    EXPECT_EQ(Utf8ToAnsi(""), "");
    EXPECT_EQ(Utf8ToAnsi(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(ClassifyWatchPage, PlayerFirstThenSignInLink) {
    SiteSettings site;
    site.SecureHost = "secure.example:8443";
    EXPECT_EQ(ClassifyWatchPage(SignedInPage("t ‐ site"), site), WatchPageKind::SignedIn);
    EXPECT_EQ(ClassifyWatchPage("<a href=\"https://secure.example:8443/secure/login?site=mokumoku\">", site),
              WatchPageKind::SignInNeeded);
    EXPECT_EQ(ClassifyWatchPage("<a href=\"http://secure.example:8443/secure/login\">", site), WatchPageKind::Other);
    EXPECT_EQ(ClassifyWatchPage("", site), WatchPageKind::Other);
}

TEST(ReadSignedInPage, TitleCutAtFirstHyphen) {
    LineCapture capture;
    std::string title, id;
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("動画 ‐ モクモク動画"), "http://h/watch/sm9", title, id));
    EXPECT_EQ(title, "動画");
    EXPECT_EQ(id, "sm9");
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("A‐B ‐ モクモク動画"), "http://h/watch/sm9", title, id));
    EXPECT_EQ(title, "A");
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("&amp;/:ソ ‐ site"), "http://h/watch/sm9", title, id));
    EXPECT_EQ(title, "&amp;/:ソ");
    // ‐ is 0x81 0x5D, and メ ends in 0x81: "メ]" holds the hyphen's bytes.
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("[アニメ]第十話 ‐ モクモク動画"), "http://h/watch/sm9", title, id));
    EXPECT_EQ(title, "[アニメ]第十話");
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("A ‐B ‐ s"), "http://h/watch/sm9", title, id));
    EXPECT_EQ(title, "A ");
    EXPECT_TRUE(capture.Lines().empty());
}

TEST(ReadSignedInPage, NoUsableTitle) {
    LineCapture capture;
    std::string title, id;
    EXPECT_FALSE(ReadSignedInPage(SignedInPage("no hyphen"), "http://h/watch/sm9", title, id));
    EXPECT_FALSE(ReadSignedInPage(SignedInPage("‐ starts with it"), "http://h/watch/sm9", title, id));
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{"動画のタイトルの取得に失敗しました", "動画のタイトルの取得に失敗しました"}));
}

TEST(ReadSignedInPage, VideoIdFromAddressNumberOrMyMemory) {
    const std::string script = "<script>var video_id = 'sm42';</script>";
    std::string title, id;
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("t ‐ s", script), "http://h/watch/sm9", title, id));
    EXPECT_EQ(id, "sm9");
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("t ‐ s", script), "http://h/watch/123", title, id));
    EXPECT_EQ(id, "sm42");
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("t ‐ s"), "http://h/watch/123", title, id));
    EXPECT_EQ(id, "123");
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("t ‐ s", script), "http://h/watch/9999999999", title, id));
    EXPECT_EQ(id, "9999999999");

    LineCapture capture;
    ASSERT_TRUE(
        ReadSignedInPage(SignedInPage("t ‐ s", "コメント不可" + script), "http://h/watch/mymemory/77", title, id));
    EXPECT_EQ(id, "sm42");
    ASSERT_TRUE(ReadSignedInPage(SignedInPage("t ‐ s", "コメント不可"), "http://h/watch/mymemory/77", title, id));
    EXPECT_EQ(id, "");
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{"マイメモリーのURLが指定されました", "マイメモリーのURLが指定されました"}));
}

TEST(ReportErrorPage, HeadingThenMessageWithoutMarkup) {
    LineCapture capture;
    ReportErrorPage(
        "<h1>見つかりません</h1><p class=\"TXT12\"><b>削除</b>されました<br>再度<a href=\"x\">確認</a></p>");
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"見つかりません", "◆モクモク動画：削除されました\n再度確認"}));
}

TEST(ReportErrorPage, ShortOrMissingMessageLogsNothing) {
    LineCapture capture;
    ReportErrorPage("<h1>h</h1><p class=\"TXT12\">x</p>");
    ReportErrorPage("<h1>h</h1><p class=\"TXT12\">×</p>");  // one character of two bytes
    ReportErrorPage("<h1>h</h1>");
    ReportErrorPage("");
    EXPECT_TRUE(capture.Lines().empty());
    ReportErrorPage("<p class=\"TXT12\">ab</p>");
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"", "◆モクモク動画：ab"}));
}
