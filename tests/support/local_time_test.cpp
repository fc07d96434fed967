#include "support/local_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr long long k2010 = 1262304000;  // 2010-01-01 00:00:00 UTC

class LocalTimeCacheTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { SetZone(GetParam()); }
    void TearDown() override { SetZone("JST-9"); }
    static void SetZone(const char* zone) {
        _putenv_s("TZ", zone);
        _tzset();
    }
    static std::tm Runtime(long long seconds) {
        const std::time_t t = static_cast<std::time_t>(seconds);
        const std::tm* local = std::localtime(&t);
        return local ? *local : std::tm{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    }
    // Every second of [from, to) through one cache gets the runtime's answer,
    // refused where the runtime refuses it.
    void ExpectSameAsRuntime(LocalTimeCache& cache, long long from, long long to) {
        for (long long s = from; s < to; ++s) {
            std::tm cached{-1, -1, -1, -1, -1, -1, -1, -1, -1};
            const bool converted = cache.Convert(s, cached);
            const std::tm runtime = Runtime(s);
            ASSERT_EQ(converted, runtime.tm_year != -1) << GetParam() << " at " << s;
            if (!converted) continue;
            ASSERT_TRUE(cached.tm_year == runtime.tm_year && cached.tm_mon == runtime.tm_mon &&
                        cached.tm_mday == runtime.tm_mday && cached.tm_hour == runtime.tm_hour &&
                        cached.tm_min == runtime.tm_min && cached.tm_sec == runtime.tm_sec &&
                        cached.tm_isdst == runtime.tm_isdst && cached.tm_wday == runtime.tm_wday &&
                        cached.tm_yday == runtime.tm_yday)
                << GetParam() << " at " << s;
        }
    }
};

TEST_P(LocalTimeCacheTest, EverySecondAroundEachChangeOfOffsetAndEachNewDay) {
    // The changes of 2010, found hour by hour, and two hours either side.
    std::vector<long long> around{k2010 - 7200, k2010 + 86400 * 200};
    for (long long hour = k2010; hour < k2010 + 365 * 86400; hour += 3600) {
        if (Runtime(hour).tm_isdst != Runtime(hour + 3600).tm_isdst) around.push_back(hour + 3600 - 7200);
    }
    if (std::string(GetParam()).find("DT") != std::string::npos) {
        EXPECT_EQ(around.size(), 4u) << "a zone with daylight saving changes twice a year";
    }
    LocalTimeCache cache;
    for (long long from : around) ExpectSameAsRuntime(cache, from, from + 4 * 3600);
}

TEST_P(LocalTimeCacheTest, MomentsInAnyOrder) {
    LocalTimeCache cache;
    for (long long s : {k2010 + 5000LL, k2010 + 100LL, k2010 + 3599LL, k2010 + 3600LL, k2010 + 5000LL, k2010 - 1LL,
                        k2010 + 86400LL * 365 * 10}) {
        ExpectSameAsRuntime(cache, s, s + 1);
    }
    std::tm local{};
    EXPECT_FALSE(cache.Convert(-1, local)) << "refused as the runtime refuses it";
    ExpectSameAsRuntime(cache, 0, 2);  // the epoch, whose hour may start before it
}

// JST has no daylight saving; PST8PDT has; Newfoundland's is half an hour off
// the hour, so its changes fall inside a UTC hour.
INSTANTIATE_TEST_SUITE_P(Zones, LocalTimeCacheTest, ::testing::Values("JST-9", "PST8PDT", "NST3:30NDT"));

}  // namespace
