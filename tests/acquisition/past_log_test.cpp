#include "acquisition/past_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

class PastDate : public ::testing::Test {
protected:
    void SetUp() override {
        _putenv_s("TZ", "JST-9");
        _tzset();
    }

    static std::tm Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
        std::tm date{};
        date.tm_year = year - 1900;
        date.tm_mon = month - 1;
        date.tm_mday = day;
        date.tm_hour = hour;
        date.tm_min = minute;
        date.tm_sec = second;
        return date;
    }
};

}  // namespace

TEST_F(PastDate, AllZeroIsCurrentAndStaysZero) {
    std::tm date{};
    std::int32_t moment = 42;
    EXPECT_EQ(ClassifyPastDate(date, moment), PastDateKind::Current);
    EXPECT_EQ(date.tm_year, 0);
    EXPECT_EQ(date.tm_mday, 0);
    EXPECT_EQ(moment, 42);
}

TEST_F(PastDate, LocalDateInUtcPlusNine) {
    std::tm date = Date(2010, 1, 1);
    std::int32_t moment = 0;
    ASSERT_EQ(ClassifyPastDate(date, moment), PastDateKind::Past);
    EXPECT_EQ(moment, 1262271600);  // 2009-12-31 15:00:00 UTC
    EXPECT_EQ(date.tm_wday, 5);     // a Friday
    EXPECT_EQ(date.tm_yday, 0);
}

TEST_F(PastDate, EpochLimits) {
    std::int32_t moment = 0;
    std::tm epoch = Date(1970, 1, 1, 9, 0, 0);  // moment 0
    EXPECT_EQ(ClassifyPastDate(epoch, moment), PastDateKind::Invalid);
    std::tm first = Date(1970, 1, 1, 9, 0, 1);
    ASSERT_EQ(ClassifyPastDate(first, moment), PastDateKind::Past);
    EXPECT_EQ(moment, 1);
    std::tm before = Date(1970, 1, 1, 8, 59, 59);
    EXPECT_EQ(ClassifyPastDate(before, moment), PastDateKind::Invalid);
    std::tm sixties = Date(1960, 5, 5);
    EXPECT_EQ(ClassifyPastDate(sixties, moment), PastDateKind::Invalid);
}

TEST_F(PastDate, ThirtyTwoBitLimit) {
    std::int32_t moment = 0;
    std::tm last = Date(2038, 1, 19, 12, 14, 7);  // 2038-01-19 03:14:07 UTC
    ASSERT_EQ(ClassifyPastDate(last, moment), PastDateKind::Past);
    EXPECT_EQ(moment, 2147483647);
    std::tm beyond = Date(2038, 1, 19, 12, 14, 8);
    EXPECT_EQ(ClassifyPastDate(beyond, moment), PastDateKind::Invalid);
    EXPECT_EQ(beyond.tm_sec, 8);  // not normalised: it did not convert
    std::tm far = Date(2100, 1, 1);
    EXPECT_EQ(ClassifyPastDate(far, moment), PastDateKind::Invalid);
}

TEST_F(PastDate, OutOfRangeFieldsCarryOver) {
    std::int32_t moment = 0;
    std::tm month13 = Date(2010, 13, 1);
    ASSERT_EQ(ClassifyPastDate(month13, moment), PastDateKind::Past);
    EXPECT_EQ(month13.tm_year, 111);
    EXPECT_EQ(month13.tm_mon, 0);
    EXPECT_EQ(month13.tm_mday, 1);

    std::tm day32 = Date(2010, 1, 32);
    ASSERT_EQ(ClassifyPastDate(day32, moment), PastDateKind::Past);
    EXPECT_EQ(day32.tm_mon, 1);
    EXPECT_EQ(day32.tm_mday, 1);

    std::tm negativeMinute = Date(2010, 1, 1, 10, -1);
    ASSERT_EQ(ClassifyPastDate(negativeMinute, moment), PastDateKind::Past);
    EXPECT_EQ(negativeMinute.tm_hour, 9);
    EXPECT_EQ(negativeMinute.tm_min, 59);
}
