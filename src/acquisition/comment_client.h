// CCommentClient carries out acquisitions: one is made on the working thread
// per unit of work, and keeps COM initialised there while it lives.
#pragma once

#include <windows.h>

#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"
#include "support/com.h"

// What one acquisition needs. pastDate all zero asks for the current comments;
// otherwise its first six fields give the local date and time of the past log.
struct FetchOptions {
    std::string address;
    int commentCount = 0;
    std::wstring saveFolder;
    std::tm pastDate{};
    std::string fileNameFormat;     // FilenameFormat
    bool* autoOverwrite = nullptr;  // the AutoOverWrite setting (see ConfirmOverwrite)
};

// How an acquisition ended, and the comment file it saved or began to save.
enum class AcquireOutcome { Saved, Cancelled, Failed };
struct AcquireResult {
    AcquireOutcome outcome = AcquireOutcome::Failed;
    std::wstring path;  // set once the save step begins; empty before
};

// The thread behind a video address and where its comments are asked for.
struct ThreadTarget {
    std::string title, videoId, threadId, serverUrl;
    std::string videoInfo;  // the video information reply, for the user ID
};

// What one step of a history fetch brought back.
struct HistoryReply {
    bool ok = false;                 // a comment packet came back (otherwise logged)
    std::vector<long long> numbers;  // its comment numbers, ascending
    long long oldestDate = 0;        // the earliest "date" among them; 0 without comments
};

// The guarded last step of an acquisition. False, with "XMLの取得に失敗しました",
// when the exchange returns false; whatever it raises is caught and logged (a
// COM error with its description, source and message) and gives false.
bool GuardedExchange(const std::function<bool()>& exchange);

class CCommentClient {
public:
    CCommentClient() = default;
    // access: where the site is found and how to sign in there.
    explicit CCommentClient(SiteAccess access) : access_(std::move(access)) {}

    // One address to one saved comment file: Cancelled when the user declined
    // to save, Failed (logged) otherwise.
    AcquireResult AcquireComments(FetchOptions options);

    // The watch page and the video information of an address, with their
    // lines logged; false (with the reason logged) when the thread or its
    // message server cannot be found.
    bool FindThread(const std::string& address, ThreadTarget& target);
    // The past-log key and the user ID for the thread; false (with the
    // premium hint logged) when the site gives none.
    bool GetPastLogPass(const ThreadTarget& target, std::string& waybackKey, std::string& userId);

    // Posts the request and keeps the reply as it came in the file `reply`
    // (written from its start), for a history fetch to merge later. Guarded
    // like the last step of an acquisition: a failure is logged and not ok.
    HistoryReply PostHistoryRequest(const std::string& request, const std::string& serverUrl, HANDLE reply);

    // The thread request for the message server. The past-log attributes are
    // written when moment > 0 and the key is not empty.
    std::string ComposeThreadRequest(const std::string& threadId, int commentCount, const std::string& userId = {},
                                     int moment = 0, const std::string& waybackKey = {}) const;

    // Posts the request, adds view_counter when missing and saves the reply at
    // path. False (with its lines logged) when the exchange failed or the reply
    // held no comments; throws ComError for a reply that is not a comment packet
    // or a save that failed. An existing file at path is replaced only by a
    // complete save.
    bool PostThreadRequest(const std::string& request, const std::string& serverUrl, const std::wstring& path);

private:
    // The POST with its lines: false when it could not be sent (logged);
    // throws ComError when the address cannot be opened.
    bool ExchangeThreadRequest(const std::string& request, const std::string& serverUrl, std::string& reply);

    SiteAccess access_;
    ComInit com_;
};

// The file name from the template (FilenameFormat) for the thread and the current local time.
std::string CurrentCommentFileName(const std::string& format, const ThreadTarget& target);
// The comment file's path: the file name (ANSI code page) in the save folder.
std::wstring CommentFilePath(const std::wstring& saveFolder, const std::string& fileName);
// The overwrite question for a comment file ("*.xml"); false when cancelled.
// autoOverwrite: the AutoOverWrite setting (see ConfirmOverwrite).
bool ConfirmCommentFileOverwrite(std::wstring& path, bool* autoOverwrite);
