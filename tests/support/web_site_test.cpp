// WebFetch and WebContentLength against the stand-in site over real HTTP.
#include "support/web.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "infolog/info_log.h"

#include "support/cancel.h"
#include "support/http.h"
#include "testlib/standin_client.h"

namespace {

class WebFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinAvailable());
        StandinReset();
    }
    void TearDown() override {
        SetHttpTimeouts(HttpTimeouts());
        StandinReset();  // releases a stalled request
    }

    static std::string Url(const std::string& path) { return "http://" + StandinMainHost() + path; }
};

std::string Numbered(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char line[8];
        snprintf(line, sizeof line, "%04d\n", i);
        text += line;
    }
    return text;
}

}  // namespace

TEST_F(WebFetchTest, LongBodyArrivesWholeAndInOrder) {
    std::string body = "stale";
    ASSERT_TRUE(WebFetch(Url("/test/big"), body));
    EXPECT_EQ(body, Numbered(1000));  // 5000 bytes: several reads
    ASSERT_TRUE(WebFetch(Url("/test/nolength"), body));
    EXPECT_EQ(body, Numbered(600));  // ended by the connection, no Content-Length
}

TEST_F(WebFetchTest, ZeroByteIsKept) {
    std::string body;
    ASSERT_TRUE(WebFetch(Url("/test/zero"), body));
    EXPECT_EQ(body, std::string("abc\0def", 7));
}

TEST_F(WebFetchTest, ErrorStatusPageIsTheBody) {
    std::string body;
    ASSERT_TRUE(WebFetch(Url("/test/404"), body));
    EXPECT_NE(body.find("<h1>Not Found</h1>"), std::string::npos);
}

TEST_F(WebFetchTest, EmptyCutShortOrUnreachableIsFalseWithEmptyBody) {
    std::string body = "stale";
    StandinFault("main", "empty");
    EXPECT_FALSE(WebFetch(Url("/test/big"), body));
    EXPECT_EQ(body, "");

    body = "stale";
    EXPECT_FALSE(WebFetch(Url("/test/truncated"), body));
    EXPECT_EQ(body, "");
    StandinFault("main", "truncated");
    EXPECT_FALSE(WebFetch(Url("/watch/sm9"), body));
    EXPECT_EQ(body, "");

    body = "stale";
    EXPECT_FALSE(WebFetch("http://127.0.0.1:1/", body));
    EXPECT_EQ(body, "");
    EXPECT_FALSE(WebFetch("not an address", body));
}

TEST_F(WebFetchTest, StalledServerFailsWithinTheTimeouts) {
    SetHttpTimeouts(HttpTimeouts{1500, 1500, 1500});
    StandinFault("main", "stall");
    std::string body = "stale";
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(WebFetch(Url("/test/big"), body));
    ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(body, "");
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LT(elapsed, 10000u);
}

// A server that trickles its reply (the status line too) cannot hold a read
// for ever: the exchange fails at its overall limit, like a time-out. A reply
// past the size bound: tests/app/cli_get_site_test.cpp.
TEST_F(WebFetchTest, ATricklingReplyFailsAtTheExchangesLimit) {
    SetHttpTimeouts(HttpTimeouts{15000, 30000, 30000, 2000});
    StandinFault("main", "trickle");
    LineCapture log;
    std::string body = "stale";
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(WebFetch(Url("/watch/sm9"), body));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(body, "");
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 6000u);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(WebFetchTest, AStopEndsATricklingExchangeAtOnce) {
    StandinFault("main", "trickle");
    std::atomic<bool> stop{false};
    ScopedCancelFlag scope(stop);
    std::thread user([&] {
        Sleep(500);
        stop = true;
    });
    std::string body;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(WebFetch(Url("/watch/sm9"), body));
    EXPECT_LT(GetTickCount64() - start, 2000u);
    user.join();
}

TEST_F(WebFetchTest, ConfiguredProxyCarriesTheRequest) {
    // The stand-in answers a proxy-style request for any host, so a name that
    // cannot resolve arrives only through the proxy.
    const std::string url = "http://www.mokumoku.example/test/big";
    std::string body;
    ASSERT_TRUE(WebFetch(url, body, WebRoute{true, StandinMainHost()}));
    EXPECT_EQ(body, Numbered(1000));

    EXPECT_FALSE(WebFetch(Url("/test/big"), body, WebRoute{true, "127.0.0.1:1"}));
    EXPECT_TRUE(WebFetch(Url("/test/big"), body, WebRoute{false, "127.0.0.1:1"}));
}

TEST_F(WebFetchTest, ContentLengthAnnouncedOrMinusOne) {
    EXPECT_EQ(WebContentLength(Url("/test/big")), 5000);
    EXPECT_EQ(WebContentLength(Url("/test/nolength")), -1);
    EXPECT_EQ(WebContentLength("http://127.0.0.1:1/"), -1);
}

TEST_F(WebFetchTest, AStoppedThreadSendsNothing) {
    std::atomic<bool> stop{true};
    ScopedCancelFlag scope(stop);
    HttpSession session;
    ASSERT_TRUE(session.Open(HttpSession::Access::Direct));
    HttpRequest request;
    ASSERT_TRUE(session.OpenRequest(Url("/test/big"), "GET", request));
    std::string reply = "stale";
    EXPECT_FALSE(request.Send(std::string(), std::string(), reply));
    EXPECT_EQ(request.Error(), static_cast<DWORD>(ERROR_INTERNET_OPERATION_CANCELLED));
    EXPECT_TRUE(reply.empty());
    EXPECT_TRUE(StandinRequests().empty());
    // Other threads keep their own flag.
    std::string body;
    std::thread other([&] { WebFetch(Url("/test/big"), body); });
    other.join();
    EXPECT_EQ(body, Numbered(1000));
}
