#include "jobs/download_address_job.h"

#include "acquisition/video_info.h"
#include "acquisition/watch_page.h"
#include "infolog/info_log.h"
#include "settings/settings.h"
#include "support/cancel.h"
#include "support/com.h"
#include "support/text.h"
#include "support/web.h"

const char kDownloadAddressRefused[] = "◆http://かhttps://で始まるWebアドレスではないため、開きませんでした";

bool IsOpenableWebAddress(const std::string& address) {
    for (unsigned char c : address) {
        if (c < 0x21 || c > 0x7E || c == '"' || c == '\\') return false;
    }
    // Only ASCII is left, so the scheme can be compared byte by byte.
    const std::string lower = ToLower(address);
    for (const char* scheme : {"http://", "https://"}) {
        const std::string prefix = scheme;
        if (lower.compare(0, prefix.size(), prefix) == 0 && lower.size() > prefix.size()) return true;
    }
    return false;
}

void RunDownloadAddressJob(DownloadCommand command, const std::string& addressText, DownloadAddressView& view) {
    // The shell may hand the address to extensions that need COM on this thread.
    ComInit com;
    view.ShowBusy();
    InfoLog << "ダウンロードURL取得中..." << EndLine;
    for (const std::string& address : Split(addressText, ";")) {
        if (CancelRequested()) break;
        InfoLog << "[" << address << "]" << EndLine;
        // An address without "/" is the video ID itself.
        std::string videoId;
        LastPathSegment(address, videoId);
        std::string videoInfo;
        if (!RequestVideoInfo(App().Access(), videoId, videoInfo)) {
            InfoLog << "URL(getflv)の取得に失敗しました" << EndLine;
            view.RevealInfoWindow();
            continue;
        }
        std::string downloadAddress;
        if (!GetDownloadAddress(videoInfo, downloadAddress)) {
            InfoLog << "URLの取得に失敗しました" << EndLine;
            view.RevealInfoWindow();
            continue;
        }
        InfoLog << downloadAddress << EndLine;
        // The watch page is requested first, as a viewer's browser would; its answer is not needed.
        WebContentLength(App().settings.site.WatchPrefix() + videoId);
        if (command == DownloadCommand::Show) {
            view.RevealInfoWindow();
        } else if (IsOpenableWebAddress(downloadAddress)) {
            view.OpenAddress(downloadAddress);
        } else {
            InfoLog << kDownloadAddressRefused << EndLine;
            view.RevealInfoWindow();
        }
    }
    view.ShowIdle();
}
