#include "jobs/archive_job.h"

#include <windows.h>

#include <climits>
#include <memory>
#include <vector>

#include "acquisition/comment_client.h"
#include "acquisition/naming.h"
#include "acquisition/past_log.h"
#include "comments/comment_archive.h"
#include "comments/comment_merge.h"
#include "comments/comment_reader.h"
#include "infolog/info_log.h"
#include "jobs/access_pause.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/local_time.h"
#include "support/spool_file.h"
#include "support/text.h"

namespace {

// The most comments one request gets, and the past-log requests one gap may take.
constexpr int kCommentsPerRequest = 1000;
constexpr int kGapRequests = 100;

struct Step {
    std::unique_ptr<SpoolFile> file;
    HistoryReply reply;
};

// Posts the request into a temporary file; false when it failed (logged).
bool Post(CCommentClient& client, const ThreadTarget& target, const std::string& request, Step& step) {
    InfoLog << "Post Data = " << request << EndLine;
    step.file = std::make_unique<SpoolFile>();
    if (!step.file->Create()) {
        InfoLog << "◆一時ファイルを作れません (" << static_cast<unsigned long>(::GetLastError()) << ")" << EndLine;
        return false;
    }
    step.reply = client.PostHistoryRequest(request, target.serverUrl, step.file->Handle());
    return step.reply.ok;
}

std::string ArchiveFileName(const ThreadTarget& target) {
    const DateTimeParts now = CurrentDateTime();
    return MakeCommentFileName(App().settings.archive.Format, target.title, target.threadId, target.videoId, now.year,
                               now.month, now.day, now.hour, now.minute, now.second);
}

// Steps back through past logs from the oldest comment received until the
// archive's highest number is reached; gap holds the numbers still missing
// (first > last when none). False on a stop.
bool FillGap(CCommentClient& client, const ThreadTarget& target, long long highest, long long oldestDate,
             std::vector<Step>& steps, long long& lowest) {
    std::string waybackKey, userId;
    if (!client.GetPastLogPass(target, waybackKey, userId)) return true;  // said why; the gap stays
    long long moment = oldestDate;
    for (int requests = 1; requests <= kGapRequests && lowest > highest + 1 && moment > 0; ++requests) {
        if (FetchStopRequested()) return false;
        WaitBetweenAccesses(App().settings.AccessWait);
        if (FetchStopRequested()) return false;
        Step step;
        if (!Post(client, target,
                  client.ComposeThreadRequest(target.threadId, kCommentsPerRequest, userId, static_cast<int>(moment),
                                              waybackKey),
                  step)) {
            return true;  // logged; the gap stays
        }
        const std::vector<long long>& numbers = step.reply.numbers;
        const bool older = !numbers.empty() && numbers.front() < lowest;
        InfoLog << "欠けの補充 " << requests << "/" << kGapRequests << ": No." << (older ? numbers.front() : lowest)
                << "〜 (" << numbers.size() << " 件)" << EndLine;
        if (older) {
            lowest = numbers.front();
            moment = step.reply.oldestDate;
            steps.push_back(std::move(step));
        } else {
            // A second with more comments than one reply holds: one second back.
            --moment;
        }
    }
    return true;
}

// The archive's lowest number and the date of that comment; false without.
bool ArchiveOldest(const std::wstring& archive, long long& lowest, long long& date) {
    CommentReader reader;
    if (!reader.Open(archive) || !reader.Next()) return false;
    lowest = reader.Chat().Integer("no");
    date = reader.Chat().Integer("date");
    return lowest > 0;
}

}  // namespace

ArchiveRoundOutcome FetchIntoArchive(CCommentClient& client, const std::string& address, const std::wstring& saveFolder,
                                     int commentCount, const std::tm& pastDate, std::wstring& archivePath) {
    ThreadTarget target;
    if (!client.FindThread(address, target)) return ArchiveRoundOutcome::Failed;
    std::tm date = pastDate;
    std::int32_t moment = 0;
    std::string waybackKey, userId;
    switch (ClassifyPastDate(date, moment)) {
        case PastDateKind::Current: InfoLog << "現在のコメントを取得します" << EndLine; break;
        case PastDateKind::Invalid:
            InfoLog << "過去ログ取得日時の設定値が正しくありません" << EndLine;
            return ArchiveRoundOutcome::Failed;
        case PastDateKind::Past:
            InfoLog << "過去ログからコメントを取得します" << EndLine;
            if (!client.GetPastLogPass(target, waybackKey, userId)) return ArchiveRoundOutcome::Failed;
            break;
    }
    archivePath = CommentFilePath(saveFolder, ArchiveFileName(target));
    InfoLog << "Archive = " << ShownPath(archivePath) << EndLine;

    std::vector<Step> steps(1);  // the newest reply first, then what filled the gap
    const std::string request =
        moment > 0 ? client.ComposeThreadRequest(target.threadId, commentCount, userId, moment, waybackKey)
                   : client.ComposeThreadRequest(target.threadId, commentCount);
    if (!Post(client, target, request, steps[0])) return ArchiveRoundOutcome::Failed;
    const HistoryReply& newest = steps[0].reply;
    if (newest.numbers.empty()) {
        InfoLog << "コメントが見つかりませんでした" << EndLine;
        InfoLog << "XMLの取得に失敗しました" << EndLine;
        return ArchiveRoundOutcome::Failed;
    }

    // Comments posted since the last round that fell out of the pool.
    long long highest = 0;
    long long lowest = newest.numbers.front();
    if (moment == 0 && ArchiveHighest(archivePath, highest) && lowest > highest + 1 &&
        newest.numbers.size() >= static_cast<std::size_t>(commentCount)) {
        if (!FillGap(client, target, highest, newest.oldestDate, steps, lowest)) {
            InfoLog << "アーカイブへの追加を中止しました。アーカイブはそのままです" << EndLine;
            return ArchiveRoundOutcome::Stopped;
        }
    }

    std::vector<std::wstring> replies;  // oldest first
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) replies.push_back(step->file->Path());
    const ArchiveResult merged = MergeIntoArchive(archivePath, replies, &FetchStopRequested());
    switch (merged.outcome) {
        case ArchiveOutcome::Merged: break;
        case ArchiveOutcome::Stopped:
            InfoLog << "アーカイブへの追加を中止しました。アーカイブはそのままです" << EndLine;
            return ArchiveRoundOutcome::Stopped;
        case ArchiveOutcome::WriteFailed: return ArchiveRoundOutcome::Failed;
        default: {
            // Never over an archive that cannot be read: the reply beside it, as a dated file.
            const std::wstring beside =
                CommentFilePath(saveFolder, CurrentCommentFileName(App().settings.FilenameFormat, target));
            MergeOptions options;
            options.newestByServerTime = false;
            if (MergeCommentFiles(replies, beside, options).outcome != MergeOutcome::Saved) {
                return ArchiveRoundOutcome::Failed;
            }
            archivePath = beside;
            InfoLog << "◆アーカイブを読み込めないため、別のファイルに保存しました: " << ShownPath(beside) << " ("
                    << merged.why << ")" << EndLine;
            return ArchiveRoundOutcome::SavedBeside;
        }
    }
    InfoLog << "アーカイブに " << merged.added << " 件を追加しました (計 " << merged.total << " 件、No."
            << merged.lowest << "〜No." << merged.highest << "、欠け " << merged.lacking
            << " 件): " << ShownPath(archivePath) << EndLine;
    if (highest > 0 && lowest > highest + 1) {
        InfoLog << "◆取りこぼしがあります: No." << highest + 1 << "〜No." << lowest - 1 << " (" << lowest - 1 - highest
                << " 件)" << EndLine;
    }
    return ArchiveRoundOutcome::Kept;
}

HistoryOutcome AcquireHistoryIntoArchive(CCommentClient& client, const std::string& address,
                                         const std::wstring& saveFolder, int maxRequests, std::wstring& archivePath) {
    ThreadTarget target;
    if (!client.FindThread(address, target)) return HistoryOutcome::Failed;
    InfoLog << "全履歴をアーカイブへ取得します" << EndLine;
    std::string waybackKey, userId;
    if (!client.GetPastLogPass(target, waybackKey, userId)) return HistoryOutcome::Failed;
    archivePath = CommentFilePath(saveFolder, ArchiveFileName(target));
    InfoLog << "Archive = " << ShownPath(archivePath) << EndLine;

    // Where the archive stands: the newest comments are asked for down to its
    // highest, then the walk goes on from its oldest.
    long long highest = 0, oldest = 0, oldestDate = 0;
    const bool held = ArchiveHighest(archivePath, highest) && ArchiveOldest(archivePath, oldest, oldestDate);
    long long lowest = LLONG_MAX;  // the lowest number received since the newest
    long long moment = 0;          // 0: the newest comments
    bool resumed = false, failed = false, complete = false;
    ArchiveResult merged;
    int requests = 0;
    while (requests < maxRequests && !complete) {
        if (requests > 0) {
            if (FetchStopRequested()) break;
            WaitBetweenAccesses(App().settings.AccessWait);
            if (FetchStopRequested()) break;
        }
        Step step;
        const std::string request = moment > 0
                                        ? client.ComposeThreadRequest(target.threadId, kCommentsPerRequest, userId,
                                                                      static_cast<int>(moment), waybackKey)
                                        : client.ComposeThreadRequest(target.threadId, kCommentsPerRequest);
        ++requests;
        if (!Post(client, target, request, step)) {
            failed = true;
            break;
        }
        const std::vector<long long>& numbers = step.reply.numbers;
        const bool older = !numbers.empty() && numbers.front() < lowest;
        if (older) {
            merged = MergeIntoArchive(archivePath, {step.file->Path()}, &FetchStopRequested());
            if (merged.outcome != ArchiveOutcome::Merged) {
                if (merged.outcome == ArchiveOutcome::Unusable || merged.outcome == ArchiveOutcome::Locked) {
                    InfoLog << "◆アーカイブを読み込めないため、全履歴を続けられません: " << ShownPath(archivePath)
                            << " (" << merged.why << ")" << EndLine;
                }
                failed = merged.outcome != ArchiveOutcome::Stopped;
                break;
            }
            lowest = numbers.front();
        }
        InfoLog << "履歴 " << requests << "/" << maxRequests << ": "
                << (moment > 0 ? LocalTimeText(moment) + " 以前" : std::string("現在")) << " → 新しいコメント "
                << (older ? merged.added : 0) << " 件 (計 " << merged.total << " 件)" << EndLine;
        if (!older) {
            complete = true;  // nothing older: the first comment the site serves is held
            break;
        }
        moment = step.reply.oldestDate;
        // Past what the archive held before: on from its oldest comment.
        if (held && !resumed && lowest <= highest + 1 && oldest < lowest) {
            resumed = true;
            lowest = oldest;
            moment = oldestDate;
            InfoLog << "アーカイブの最も古いコメント (No." << oldest << ") から続けます" << EndLine;
        }
        complete = lowest <= 1 || moment <= 0;
    }
    if (merged.total == 0) {
        if (!failed && !FetchStopRequested()) InfoLog << "コメントが見つかりませんでした" << EndLine;
        return FetchStopRequested() ? HistoryOutcome::Stopped : HistoryOutcome::Failed;
    }
    if (FetchStopRequested()) {
        InfoLog << "全履歴の取得を中止しました。それまでのコメントはアーカイブにあります" << EndLine;
        return HistoryOutcome::Stopped;
    }
    if (failed) {
        InfoLog << "※全履歴の取得が途中で失敗しました。それまでのコメントはアーカイブにあります "
                   "(もう一度取得すると続きから取得します)"
                << EndLine;
    } else if (!complete) {
        InfoLog << "※リクエスト数の上限 (" << maxRequests << " 回) に達しました。もう一度取得すると続きから取得します"
                << EndLine;
    }
    InfoLog << "アーカイブのコメント " << merged.total << " 件 (No." << merged.lowest << "〜No." << merged.highest
            << "、欠け " << merged.lacking << " 件): " << ShownPath(archivePath) << EndLine;
    return failed ? HistoryOutcome::Incomplete : HistoryOutcome::Saved;
}
