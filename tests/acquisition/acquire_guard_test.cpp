// The guard around the message-server exchange: every error it raises ends
// as logged lines and a failed acquisition, never as an escaped exception.
#include <gtest/gtest.h>

#include <stdexcept>

#include "acquisition/comment_client.h"
#include "infolog/info_log.h"

namespace {

struct NotAStandardError {};

TEST(GuardedExchange, OutcomesAndErrorsOfEveryKind) {
    LineCapture log;
    EXPECT_TRUE(GuardedExchange([] { return true; }));
    EXPECT_TRUE(log.Lines().empty());

    EXPECT_FALSE(GuardedExchange([] { return false; }));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"XMLの取得に失敗しました"}));

    log.Clear();
    EXPECT_FALSE(GuardedExchange([]() -> bool { throw ComError(E_ACCESSDENIED, "denied", "MSXML"); }));
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "処理中に例外が発生しました");
    EXPECT_EQ(lines[2], "Description : denied");
    EXPECT_EQ(lines[3], "Source : MSXML");
    EXPECT_NE(lines[4], "Message : ");

    const std::function<bool()> others[] = {
        []() -> bool { throw std::runtime_error("boom"); },
        []() -> bool { throw 42; },
        []() -> bool { throw NotAStandardError{}; },
    };
    for (const auto& exchange : others) {
        log.Clear();
        EXPECT_FALSE(GuardedExchange(exchange));
        EXPECT_EQ(log.Lines(), (std::vector<std::string>{"処理中に例外が発生しました"}));
    }
}

TEST(ComError, IsAStandardError) {
    try {
        throw ComError(E_POINTER);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "COM error");
        return;
    }
    FAIL() << "not caught as a standard error";
}

}  // namespace
