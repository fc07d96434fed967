#include "infolog/info_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testlib/messages.h"

using Lines = std::vector<std::string>;

TEST(InfoLog, PiecesAndNumbersMakeOneLine) {
    LineCapture capture;
    std::string name = "sm9";
    InfoLog << "Video = " << name << ", count " << 250 << " of " << 1000u << " (" << -3LL << ")" << EndLine;
    InfoLog << EndLine;
    EXPECT_EQ(capture.Lines(), (Lines{"Video = sm9, count 250 of 1000 (-3)", ""}));
}

TEST(InfoLog, EachThreadAssemblesItsOwnLine) {
    LineCapture capture;
    InfoLog << "main ";
    TestThread other([] { InfoLog << "worker " << 1 << EndLine; });
    ASSERT_TRUE(other.Wait());
    InfoLog << "line" << EndLine;
    EXPECT_EQ(capture.Lines(), (Lines{"worker 1", "main line"}));
}
