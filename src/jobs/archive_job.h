// A fetch into the video's archive (settings section "archive"): the reply and
// what its gap filling brought merged into one file per video in one
// replacement, so a round stopped or killed halfway leaves the archive as it
// was and the next round does the work again.
#pragma once

#include <ctime>
#include <string>

#include "jobs/history_job.h"

class CCommentClient;

enum class ArchiveRoundOutcome {
    Kept,         // merged into the archive (a gap the site no longer serves is said, not a failure)
    SavedBeside,  // the archive could not be used: the reply went to a dated file beside it
    Failed,       // nothing saved (logged)
    Stopped,
};

// One round for the address: the newest commentCount comments (or the past
// log at pastDate), the gap since the archive's highest number filled through
// past logs, all merged into the archive; archivePath names what was saved.
ArchiveRoundOutcome FetchIntoArchive(CCommentClient& client, const std::string& address, const std::wstring& saveFolder,
                                     int commentCount, const std::tm& pastDate, std::wstring& archivePath);

// The whole history into the archive, resumed: first from the newest comments
// down to the archive's highest number, then on from its oldest comment, each
// step merged at once, so that what was fetched before a stop or a kill stays
// kept and nothing the archive holds is asked for again. At most maxRequests
// requests.
HistoryOutcome AcquireHistoryIntoArchive(CCommentClient& client, const std::string& address,
                                         const std::wstring& saveFolder, int maxRequests, std::wstring& archivePath);
