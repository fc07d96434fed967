// CCommentClient carries out acquisitions: one is made on the working thread
// per unit of work, and keeps COM initialised there while it lives.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "support/com.h"

// What one acquisition needs. pastDate all zero asks for the current comments;
// otherwise its first six fields give the local date and time of the past log.
struct FetchOptions {
    std::string address;
    int commentCount = 0;
    std::string saveFolder;
    std::tm pastDate{};
};

// The guarded last step of an acquisition. False, with "XMLの取得に失敗しました",
// when the exchange returns false; whatever it raises is caught and logged (a
// COM error with its description, source and message) and gives false.
bool GuardedExchange(const std::function<bool()>& exchange);

class CCommentClient {
public:
    CCommentClient() = default;

    // One address to one saved comment file. savedPath becomes "CANCEL" when
    // the user declined to save, the file's path once the save step begins.
    bool AcquireComments(FetchOptions options, std::string& savedPath);

    // The thread request for the message server. The past-log attributes are
    // written when moment > 0 and the key is not empty.
    std::string ComposeThreadRequest(const std::string& threadId, int commentCount, const std::string& userId = {},
                                     int moment = 0, const std::string& waybackKey = {}) const;

    // Posts the request, adds view_counter when missing and saves the reply at
    // path. False (with its lines logged) when the exchange failed or the reply
    // held no comments; throws ComError for a reply that is not a comment packet
    // or a save that failed. An existing file at path is replaced only by a
    // complete save.
    bool PostThreadRequest(const std::string& request, const std::string& serverUrl, const std::string& path);

private:
    ComInit com_;
};
