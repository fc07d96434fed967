// Local calendar time of Unix seconds, as the C runtime's localtime gives it,
// for a long run of moments: the exports convert the date of every comment.
// Within one local hour whose offset from UTC holds all through it, the time
// is worked out from the hour's start; only a moment outside the last such
// hour asks the runtime. Portable (no platform headers).
#pragma once

#include <ctime>
#include <string>

// The runtime's localtime of the moment, one call each; false when it refuses
// the moment or time_t cannot hold it.
bool LocalTime(long long seconds, std::tm& local);

// "YYYY/MM/DD HH:MM:SS" in local time, as the log shows a moment; the number
// itself when the runtime refuses it.
std::string LocalTimeText(long long seconds);

class LocalTimeCache {
public:
    // False when the runtime refuses the moment (before 1970 in the Windows
    // runtime). One cache serves one run of conversions in one time zone.
    bool Convert(long long seconds, std::tm& local);

private:
    long long first_ = 0, last_ = -1;  // the cached hour, [first_, last_]
    std::tm start_{};                  // local time at first_
};
