// A thread's whole history: the newest comments, then the past log as of the
// oldest comment received, again and again, until a reply brings nothing
// older; one comment file holding every comment once, ordered by number.
#pragma once

#include <string>

class CCommentClient;

enum class HistoryOutcome {
    Saved,       // complete, or as far back as the request limit allowed
    Incomplete,  // a step failed after others had succeeded: what they brought was saved
    Failed,      // nothing saved
    Cancelled,   // the user declined the overwrite question
    Stopped,     // stopped between steps: nothing saved
};

// Fetches the history of one address with at most maxRequests requests to
// the message server, waiting AccessWait seconds between two of them, and
// saves it under the file name template in saveFolder (savedPath: the file,
// once the overwrite question is passed). The steps' replies wait in temporary files that the system
// removes, so memory holds one reply whatever the length of the history.
HistoryOutcome AcquireHistory(CCommentClient& client, const std::string& address, const std::wstring& saveFolder,
                              int maxRequests, std::wstring& savedPath);
