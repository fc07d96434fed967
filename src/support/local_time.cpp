#include "support/local_time.h"

bool LocalTime(long long seconds, std::tm& local) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    if (static_cast<long long>(t) != seconds) return false;
    const std::tm* converted = std::localtime(&t);
    if (!converted) return false;
    local = *converted;
    return true;
}

namespace {

bool SameHour(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour;
}

}  // namespace

bool LocalTimeCache::Convert(long long seconds, std::tm& local) {
    if (seconds >= first_ && seconds <= last_) {
        const int into = static_cast<int>(seconds - first_);
        local = start_;
        local.tm_min = into / 60;
        local.tm_sec = into % 60;
        return true;
    }
    if (!LocalTime(seconds, local)) return false;
    // The hour around the moment counts from its start when both its ends
    // read as that hour's first and last second: the offset then holds all
    // through it (a change of offset, as daylight saving's, is months from
    // the next). Otherwise the moment is not kept, and the next asks again.
    if (local.tm_sec > 59) return true;
    const long long first = seconds - (local.tm_min * 60 + local.tm_sec);
    std::tm start{}, end{};
    if (!LocalTime(first, start) || !LocalTime(first + 3599, end)) return true;
    if (!SameHour(start, local) || !SameHour(end, local) || start.tm_min != 0 || start.tm_sec != 0 ||
        end.tm_min != 59 || end.tm_sec != 59) {
        return true;
    }
    first_ = first;
    last_ = first + 3599;
    start_ = start;
    return true;
}

std::string LocalTimeText(long long seconds) {
    std::tm local;
    if (!LocalTime(seconds, local)) return std::to_string(seconds);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}
