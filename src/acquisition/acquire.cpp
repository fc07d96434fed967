// One video address to one saved comment file.
#include "acquisition/comment_client.h"
#include "acquisition/naming.h"
#include "acquisition/past_log.h"
#include "acquisition/video_info.h"
#include "acquisition/watch_page.h"
#include "settings/settings.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/text.h"

std::string CurrentCommentFileName(const std::string& format, const ThreadTarget& target) {
    const DateTimeParts now = CurrentDateTime();  // one reading: no field from the next minute or year
    return MakeCommentFileName(format, target.title, target.threadId, target.videoId, now.year, now.month, now.day,
                               now.hour, now.minute, now.second);
}

std::wstring CommentFilePath(const std::wstring& saveFolder, const std::string& fileName) {
    return saveFolder + L"\\" + AnsiToWide(fileName) + L".xml";
}

bool ConfirmCommentFileOverwrite(std::wstring& path, bool* autoOverwrite) {
    static const FileFilter kFilters[] = {{"コメントファイル(*.xml)", "*.xml"}, {"すべてのファイル(*.*)", "*.*"}};
    return ConfirmOverwrite(path, PlatformFilter(kFilters, 2), L".xml", autoOverwrite);
}

bool CCommentClient::FindThread(const std::string& typed, ThreadTarget& target) {
    const SiteSettings& site = access_.site;
    std::string address = typed;
    if (!ContainsText(address, site.SiteRoot())) address = site.WatchPrefix() + address;

    InfoLog << "Check URL..." << EndLine;
    if (!ReadWatchPage(access_, address, target.title, target.videoId)) {
        InfoLog << "Error" << EndLine;
        return false;
    }
    InfoLog << "Title = " << target.title << EndLine;

    std::string segment;
    if (!LastPathSegment(address, segment)) {
        InfoLog << "URLが正しくありません" << EndLine;
        return false;
    }
    InfoLog << "Thread = " << segment << EndLine;
    InfoLog << "Search ThreadId..." << EndLine;

    RequestVideoInfo(access_, segment, target.videoInfo);
    if (!GetThreadId(target.videoInfo, target.threadId)) {
        InfoLog << "スレッドIDの取得に失敗しました" << EndLine;
        return false;
    }
    InfoLog << "ThreadId = " << target.threadId << EndLine;

    InfoLog << "Search MessageServerURL..." << EndLine;
    if (!GetMessageServer(target.videoInfo, target.serverUrl)) {
        InfoLog << "メッセージサーバーURLの取得に失敗しました" << EndLine;
        return false;
    }
    InfoLog << "MessageServerURL = " << target.serverUrl << EndLine;
    return true;
}

bool CCommentClient::GetPastLogPass(const ThreadTarget& target, std::string& waybackKey, std::string& userId) {
    InfoLog << "Search waybackkey..." << EndLine;
    waybackKey = GetWaybackKey(access_, target.threadId);
    if (waybackKey.empty()) {
        InfoLog << "waybackkeyの取得に失敗しました" << EndLine;
        InfoLog << "■プレミアムユーザーでログインしていることを確認して下さい" << EndLine;
        return false;
    }
    InfoLog << "waybackkey = " << waybackKey << EndLine;
    userId = GetUserId(target.videoInfo);
    if (userId.empty()) {
        InfoLog << "ユーザーIDの取得に失敗しました" << EndLine;
        return false;
    }
    return true;
}

AcquireResult CCommentClient::AcquireComments(FetchOptions options) {
    AcquireResult result;
    ThreadTarget target;
    if (!FindThread(options.address, target)) return result;
    const std::string& threadId = target.threadId;

    std::int32_t moment = 0;
    bool pastLog = false;
    std::string waybackKey;
    std::string userId;
    switch (ClassifyPastDate(options.pastDate, moment)) {
        case PastDateKind::Current: InfoLog << "現在のコメントを取得します" << EndLine; break;
        case PastDateKind::Invalid: InfoLog << "過去ログ取得日時の設定値が正しくありません" << EndLine; return result;
        case PastDateKind::Past:
            InfoLog << "過去ログからコメントを取得します" << EndLine;
            if (!GetPastLogPass(target, waybackKey, userId)) return result;
            pastLog = true;
            break;
    }

    const std::string request = pastLog
                                    ? ComposeThreadRequest(threadId, options.commentCount, userId, moment, waybackKey)
                                    : ComposeThreadRequest(threadId, options.commentCount);
    InfoLog << "Post Data = " << request << EndLine;

    std::string fileName;
    if (pastLog) {
        const std::tm& d = options.pastDate;
        fileName = MakeCommentFileName(options.fileNameFormat, target.title, threadId, target.videoId, d.tm_year + 1900,
                                       d.tm_mon + 1, d.tm_mday, d.tm_hour, d.tm_min, d.tm_sec);
    } else {
        fileName = CurrentCommentFileName(options.fileNameFormat, target);
    }
    InfoLog << "Filename = " << fileName << EndLine;

    std::wstring path = CommentFilePath(options.saveFolder, fileName);
    if (!ConfirmCommentFileOverwrite(path, options.autoOverwrite)) {
        result.outcome = AcquireOutcome::Cancelled;
        return result;
    }
    result.path = path;
    const bool saved = GuardedExchange([&] { return PostThreadRequest(request, target.serverUrl, path); });
    result.outcome = saved ? AcquireOutcome::Saved : AcquireOutcome::Failed;
    return result;
}
