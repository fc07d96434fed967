// The site's video information interface: where a video's comments live.
// The reply stays one text; single values are read out of it on demand.
#pragma once

#include <string>

struct SiteAccess;

// Asks the interface about the video named by the address segment (sent as it
// is, a query part included) and decodes the reply. False when nothing came back.
bool RequestVideoInfo(const SiteAccess& access, const std::string& segment, std::string& videoInfo);

// Decodes the four escapes the readers depend on (%3A %2F %3F %3D, upper case
// only); every other escape stays as it is.
void DecodeVideoInfo(std::string& reply);

// Readers: true when the value is not empty. A value is cut at the next "&",
// so a key that closes the reply yields nothing.
bool GetThreadId(const std::string& videoInfo, std::string& threadId);
bool GetMessageServer(const std::string& videoInfo, std::string& serverUrl);
bool GetDownloadAddress(const std::string& videoInfo, std::string& downloadUrl);
std::string GetUserId(const std::string& videoInfo);
