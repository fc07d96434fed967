// Past logs: whether the user's date asks for one, the moment it names, and
// the per-thread key the site issues to premium accounts.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

struct SiteAccess;

enum class PastDateKind { Current, Past, Invalid };

// Reads date as local time (mktime rules; out-of-range fields carry over) and
// normalises it in place when it converts. All six date fields zero: Current.
// A moment after 1970-01-01 00:00:00 UTC within the signed 32-bit range: Past,
// with moment set. Anything else: Invalid (date left as it was).
PastDateKind ClassifyPastDate(std::tm& date, std::int32_t& moment);

// The past-log key for the thread; empty when the thread ID is empty, the
// request failed or the site gave none (an account without the right).
std::string GetWaybackKey(const SiteAccess& access, const std::string& threadId);
