// Local time as in Japan (UTC+9) for a test's scope, whatever the host's zone.
#pragma once

#include <cstdlib>
#include <ctime>

class JapanTimeZone {
public:
    JapanTimeZone() { Set("JST-9"); }
    ~JapanTimeZone() { Set(""); }
    JapanTimeZone(const JapanTimeZone&) = delete;
    JapanTimeZone& operator=(const JapanTimeZone&) = delete;

private:
    static void Set(const char* zone) {
        _putenv_s("TZ", zone);
        _tzset();
    }
};
