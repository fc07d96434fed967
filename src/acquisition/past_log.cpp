#include "acquisition/past_log.h"

#include <limits>

#include "settings/settings.h"
#include "support/text.h"
#include "support/web.h"

PastDateKind ClassifyPastDate(std::tm& date, std::int32_t& moment) {
    if (date.tm_sec == 0 && date.tm_min == 0 && date.tm_hour == 0 && date.tm_mday == 0 && date.tm_mon == 0 &&
        date.tm_year == 0) {
        return PastDateKind::Current;
    }
    // The C library may accept dates outside the 32-bit count; those count as
    // failed conversions, and only a converted date is normalised.
    std::tm normalised = date;
    std::time_t converted = std::mktime(&normalised);
    if (converted == static_cast<std::time_t>(-1) || converted < 0 ||
        converted > std::numeric_limits<std::int32_t>::max()) {
        return PastDateKind::Invalid;
    }
    date = normalised;
    if (converted == 0) return PastDateKind::Invalid;
    moment = static_cast<std::int32_t>(converted);
    return PastDateKind::Past;
}

std::string GetWaybackKey(const SiteAccess& access, const std::string& threadId) {
    if (threadId.empty()) return std::string();
    std::string reply;
    if (!WebFetch(access.site.SiteRoot() + "api/getwaybackkey?thread=" + threadId, reply, access.route)) {
        return std::string();
    }
    return Between(reply, "waybackkey=", "");
}
