#include "infowindow/info_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "infowindow/info_window.h"
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

TEST(PrependLine, NewestLineOnTop) {
    EXPECT_EQ(PrependLine("", "A"), "A\r\n");
    EXPECT_EQ(PrependLine(PrependLine("", "A"), "B"), "B\r\nA\r\n");
    EXPECT_EQ(PrependLine("", ""), "\r\n");
}

TEST(PrependLine, PassingTheLimitClearsEverythingIncludingTheNewLine) {
    const std::string full(kInfoTextLimit - 3, 'x');
    // Exactly at the limit is kept.
    EXPECT_EQ(PrependLine(full, "y").size(), kInfoTextLimit);
    EXPECT_EQ(PrependLine(full, "yz"), kBufferClearedNotice);
    EXPECT_EQ(PrependLine(kBufferClearedNotice, "next"), std::string("next\r\n") + kBufferClearedNotice);
    // Counted in bytes: "情" is two bytes in code page 932.
    EXPECT_EQ(PrependLine(full, "情"), kBufferClearedNotice);
}
