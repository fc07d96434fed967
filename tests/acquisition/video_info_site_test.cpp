// The video information and past-log key interfaces, and the sign-in cookie
// carried to later reads and to the message server.
#include <gtest/gtest.h>

#include "acquisition/comment_client.h"
#include "acquisition/past_log.h"
#include "acquisition/video_info.h"
#include "acquisition/watch_page.h"
#include "settings/settings.h"
#include "infolog/info_log.h"
#include "login/login.h"
#include "testlib/site_test.h"
#include "testlib/temp_dir.h"

namespace {

class SiteInterfaceTest : public StandinSiteTest {};

int CountRequests(const std::string& role, const std::string& path) {
    int count = 0;
    for (const StandinRequest& r : StandinRequests()) {
        if (r.role == role && r.path == path) ++count;
    }
    return count;
}

}  // namespace

TEST_F(SiteInterfaceTest, VideoInfoOfSignedInSession) {
    ASSERT_EQ(StandinSignIn("premium"), "1000001");
    std::string info, value;
    ASSERT_TRUE(RequestVideoInfo(access, "sm9", info));
    ASSERT_TRUE(GetThreadId(info, value));
    EXPECT_EQ(value, "1173108780");
    ASSERT_TRUE(GetMessageServer(info, value));
    EXPECT_EQ(value, StandinMessageUrl());
    EXPECT_EQ(GetUserId(info), "1000001");
    ASSERT_TRUE(GetDownloadAddress(info, value));
    EXPECT_EQ(value, "http://" + StandinMainHost() + "/smile?v=9.4321");

    // The message server as the reply's last pair has no "&" after it.
    ASSERT_TRUE(RequestVideoInfo(access, "sm8889", info));
    EXPECT_TRUE(GetThreadId(info, value));
    EXPECT_FALSE(GetMessageServer(info, value));
    // A reply without the keys, and a signed-out session's reply.
    ASSERT_TRUE(RequestVideoInfo(access, "sm8888", info));
    EXPECT_FALSE(GetThreadId(info, value));
    StandinSignOut();
    ASSERT_TRUE(RequestVideoInfo(access, "sm9", info));
    EXPECT_FALSE(GetThreadId(info, value));
    EXPECT_EQ(GetUserId(info), "");
}

TEST_F(SiteInterfaceTest, VideoInfoFailures) {
    std::string info = "stale";
    StandinFault("main", "empty");
    EXPECT_FALSE(RequestVideoInfo(access, "sm9", info));
    EXPECT_EQ(info, "");
    access.site.MainHost = "127.0.0.1:1";
    EXPECT_FALSE(RequestVideoInfo(access, "sm9", info));
    EXPECT_EQ(info, "");
}

TEST_F(SiteInterfaceTest, WaybackKeyOnlyForPremium) {
    StandinSignIn("premium");
    std::string key = GetWaybackKey(access, "1173108780");
    EXPECT_EQ(key.rfind("1173108780.", 0), 0u);
    EXPECT_EQ(key.size(), std::string("1173108780.").size() + 10);

    StandinSignOut();
    EXPECT_EQ(GetWaybackKey(access, "1173108780"), "");  // error=not_login
    StandinSignIn("plain");
    EXPECT_EQ(GetWaybackKey(access, "1173108780"), "");  // "waybackkey=" and nothing after it
    StandinFault("main", "empty");
    StandinSignIn("premium");
    EXPECT_EQ(GetWaybackKey(access, "1173108780"), "");

    StandinReset();
    EXPECT_EQ(GetWaybackKey(access, ""), "");
    EXPECT_EQ(CountRequests("main", "/api/getwaybackkey"), 0);
}

// The cookie of the sign-in form goes with the later page read and with the
// message-server exchange: both requests are refused without it.
TEST_F(SiteInterfaceTest, SignInCookieCarriesToPagesAndMessageServer) {
    ASSERT_TRUE(Login(access.site, "premium@kometori.test", "p&ss+w%rd=1"));
    StandinFault("main", "requirecookie");
    std::string title, id;
    ASSERT_TRUE(ReadWatchPage(access, access.site.WatchPrefix() + "sm9", title, id));
    EXPECT_EQ(id, "sm9");

    std::string info, thread, server;
    ASSERT_TRUE(RequestVideoInfo(access, id, info));
    ASSERT_TRUE(GetThreadId(info, thread));
    ASSERT_TRUE(GetMessageServer(info, server));
    TempDir dir;
    CCommentClient client;
    StandinFault("message", "requirecookie");
    ASSERT_TRUE(client.PostThreadRequest(client.ComposeThreadRequest(thread, 10), server, dir.File(L"c.xml")));

    for (const StandinRequest& r : StandinRequests()) {
        if (r.role == "message" || (r.role == "main" && r.path == "/watch/sm9")) {
            ASSERT_TRUE(r.headers.count("Cookie")) << r.role << " " << r.path;
            EXPECT_NE(r.headers.at("Cookie").find("user_session="), std::string::npos);
        }
    }
}
