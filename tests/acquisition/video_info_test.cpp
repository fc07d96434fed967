#include "acquisition/video_info.h"

#include <gtest/gtest.h>

TEST(VideoInfo, DecodesTheFourUpperCaseEscapesAndReadsEveryKey) {
    std::string info = "thread_id=123&x=60&url=v%3Fa%3D1.2&ms=m%3A80%2Fapi%2F&user_id=9&y=1";
    DecodeVideoInfo(info);
    std::string value;
    ASSERT_TRUE(GetThreadId(info, value));
    EXPECT_EQ(value, "123");
    ASSERT_TRUE(GetMessageServer(info, value));
    EXPECT_EQ(value, "m:80/api/");
    ASSERT_TRUE(GetDownloadAddress(info, value));
    EXPECT_EQ(value, "v?a=1.2");
    EXPECT_EQ(GetUserId(info), "9");
}

TEST(VideoInfo, OtherEscapesStay) {
    std::string info = "a=%3a%2f%26%25%3A";
    DecodeVideoInfo(info);
    EXPECT_EQ(info, "a=%3a%2f%26%25:");
}

TEST(VideoInfo, MissingOrLastKeyGivesEmptyValueAndClearsOutput) {
    std::string value = "old";
    EXPECT_FALSE(GetMessageServer("thread_id=1&ms=http://m/api/", value));
    EXPECT_EQ(value, "");
    value = "old";
    EXPECT_FALSE(GetThreadId("ms=1&user_id=2&url=3&", value));
    EXPECT_EQ(value, "");
    // ms and url need the "&" before them; thread_id matches at the start.
    EXPECT_FALSE(GetMessageServer("ms=x&", value));
    EXPECT_FALSE(GetDownloadAddress("url=x&", value));
    EXPECT_TRUE(GetThreadId("thread_id=5&", value));
    EXPECT_EQ(GetUserId("user_id=7"), "");
}
