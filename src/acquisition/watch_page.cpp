#include "acquisition/watch_page.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include <boost/lexical_cast.hpp>

#include "acquisition/prompts.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "infolog/info_log.h"
#include "login/login.h"
#include "support/text.h"
#include "support/web.h"

namespace {

// A site that keeps showing the sign-in link after accepting the account
// would otherwise be read for ever.
constexpr int kMaxSignIns = 2;

const char kPlayerMarker[] = "mokuplayer.swf";
// The title element's text up to the first " ‐ " or "‐" (U+2010) that starts
// a character: the hyphen is 0x81 0x5D, and 0x81 ends characters such as メ, so
// "[アニメ]" holds its bytes.
const char kTitleStart[] = "<title>";
const char kTitleEnd[] = "</title>";
const char kTitleHyphen[] = "‐";
const char kMyMemoryMarker[] = "コメント不可";
const char kVideoIdStart[] = "var video_id = '";
const char kVideoIdEnd[] = "';";

std::string SignInAddress(const SiteSettings& site) { return "https://" + site.SecureHost + "/secure/login"; }

// The stored account first, then the user.
bool SignIn(UserPrompts& prompts, const SiteAccess& access) {
    const std::string mail = access.mail ? *access.mail : std::string();
    const std::string pass = access.pass ? *access.pass : std::string();
    if (!mail.empty() && !pass.empty()) {
        if (Login(access.site, mail, pass)) return true;
    } else {
        prompts.ShowSignInNotice();
    }
    return prompts.RunLoginDialog();
}

bool TitleOf(const std::string& page, std::string& title) {
    const std::size_t start = FindText(page, kTitleStart);
    if (start == std::string::npos) return false;
    const std::size_t from = start + std::strlen(kTitleStart);
    std::size_t hyphen = FindText(page, kTitleHyphen, from);
    if (hyphen == std::string::npos || FindText(page, kTitleEnd, hyphen) == std::string::npos) return false;
    // " ‐ " is the separator when a blank comes first.
    if (hyphen > from && page[hyphen - 1] == ' ' && page.compare(hyphen + std::strlen(kTitleHyphen), 1, " ") == 0) {
        --hyphen;
    }
    title = page.substr(from, hyphen - from);
    return !title.empty();
}

bool IsInt32(const std::string& text) {
    try {
        boost::lexical_cast<int>(text);
        return true;
    } catch (const boost::bad_lexical_cast&) {
        return false;
    }
}

}  // namespace

WatchPageKind ClassifyWatchPage(const std::string& page, const SiteSettings& site) {
    if (ContainsText(page, kPlayerMarker)) return WatchPageKind::SignedIn;
    if (ContainsText(page, SignInAddress(site))) return WatchPageKind::SignInNeeded;
    return WatchPageKind::Other;
}

bool ReadSignedInPage(const std::string& page, const std::string& address, std::string& title, std::string& videoId) {
    if (!TitleOf(page, title)) {
        InfoLog << "動画のタイトルの取得に失敗しました" << EndLine;
        return false;
    }

    if (ContainsText(page, kMyMemoryMarker)) {
        videoId = Between(page, kVideoIdStart, kVideoIdEnd);
        InfoLog << "マイメモリーのURLが指定されました" << EndLine;
        return true;
    }
    LastPathSegment(address, videoId);
    // A number in the address names the video by its page; the script gives its ID.
    if (IsInt32(videoId)) {
        std::string scriptId = Between(page, kVideoIdStart, kVideoIdEnd);
        if (!scriptId.empty()) videoId = scriptId;
    }
    return true;
}

void ReportErrorPage(const std::string& page) {
    std::string message = Between(page, "<p class=\"TXT12\">", "</p>");
    if (CharacterCount(message) <= 1) return;
    ReplaceAll(message, "<br>", "\n");
    for (;;) {
        std::string tag = Between(message, "<", ">");
        if (tag.empty()) break;
        ReplaceAll(message, "<" + tag + ">", "");
    }
    InfoLog << Between(page, "<h1>", "</h1>") << EndLine;
    InfoLog << "◆モクモク動画：" << message << EndLine;
}

bool ReadWatchPage(const SiteAccess& access, const std::string& address, std::string& title, std::string& videoId) {
    for (int signIns = 0;; ++signIns) {
        std::string received;
        WebFetch(address, received, access.route);  // an empty page matches nothing below
        const std::string page = Utf8ToAnsi(received);

        switch (ClassifyWatchPage(page, access.site)) {
            case WatchPageKind::SignedIn: return ReadSignedInPage(page, address, title, videoId);
            case WatchPageKind::Other: ReportErrorPage(page); return false;
            case WatchPageKind::SignInNeeded: break;
        }
        InfoLog << "モクモク動画にログインしていません" << EndLine;
        if (signIns >= kMaxSignIns || !SignIn(Prompts(), access)) break;
    }
    InfoLog << "◆モクモク動画にログインして下さい" << EndLine;
    InfoLog << "ログインしてもこの表示が出る場合は" << access.programName << "を再起動させて下さい" << EndLine;
    return false;
}

bool LastPathSegment(const std::string& address, std::string& segment) {
    segment = address;
    std::string::size_type slash = address.rfind('/');
    if (slash == std::string::npos) return false;
    if (slash + 1 == address.size()) {
        if (slash == 0) return false;
        std::string::size_type end = slash;
        slash = address.rfind('/', slash - 1);
        if (slash == std::string::npos) return false;
        segment = address.substr(slash + 1, end - slash - 1);
    } else {
        segment = address.substr(slash + 1);
    }
    return CharacterCount(segment) > 2;
}

std::string Utf8ToAnsi(const std::string& utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty()) return std::string();
    // Not WideToAnsi: zero bytes inside the page are kept, and nothing is logged.
    std::string ansi(wide.size() * 3, '\0');
    ansi.resize(EncodeUnits(wide.data(), wide.size(), false, &ansi[0]));
    return ansi;
}
