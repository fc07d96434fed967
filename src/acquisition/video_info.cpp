#include "acquisition/video_info.h"

#include "settings/settings.h"
#include "support/text.h"
#include "support/web.h"

void DecodeVideoInfo(std::string& reply) {
    ReplaceAll(reply, "%3A", ":");
    ReplaceAll(reply, "%2F", "/");
    ReplaceAll(reply, "%3F", "?");
    ReplaceAll(reply, "%3D", "=");
}

bool RequestVideoInfo(const SiteAccess& access, const std::string& segment, std::string& videoInfo) {
    if (!WebFetch(access.site.SiteRoot() + "api/getflv?v=" + segment, videoInfo, access.route)) return false;
    DecodeVideoInfo(videoInfo);
    return !videoInfo.empty();
}

bool GetThreadId(const std::string& videoInfo, std::string& threadId) {
    threadId = Between(videoInfo, "thread_id=", "&");
    return !threadId.empty();
}

bool GetMessageServer(const std::string& videoInfo, std::string& serverUrl) {
    serverUrl = Between(videoInfo, "&ms=", "&");
    return !serverUrl.empty();
}

bool GetDownloadAddress(const std::string& videoInfo, std::string& downloadUrl) {
    downloadUrl = Between(videoInfo, "&url=", "&");
    return !downloadUrl.empty();
}

std::string GetUserId(const std::string& videoInfo) { return Between(videoInfo, "user_id=", "&"); }
