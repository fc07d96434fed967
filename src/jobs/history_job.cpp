#include "jobs/history_job.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <iterator>
#include <memory>
#include <vector>

#include "acquisition/comment_client.h"
#include "comments/comment_merge.h"
#include "infolog/info_log.h"
#include "jobs/access_pause.h"
#include "settings/settings.h"
#include "support/local_time.h"
#include "support/spool_file.h"

namespace {

// The most comments one request gets.
constexpr int kCommentsPerRequest = 1000;

// The numbers of step that held lacks are added to it; both ascending.
std::size_t AddNewNumbers(std::vector<long long>& held, const std::vector<long long>& step) {
    std::vector<long long> merged;
    merged.reserve(held.size() + step.size());
    std::set_union(held.begin(), held.end(), step.begin(), step.end(), std::back_inserter(merged));
    merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
    const std::size_t added = merged.size() - held.size();
    held.swap(merged);
    return added;
}

HistoryOutcome Stopped() {
    InfoLog << "全履歴の取得を中止しました。ファイルは保存していません" << EndLine;
    return HistoryOutcome::Stopped;
}

}  // namespace

HistoryOutcome AcquireHistory(CCommentClient& client, const std::string& address, const std::wstring& saveFolder,
                              int maxRequests, std::wstring& savedPath) {
    ThreadTarget target;
    if (!client.FindThread(address, target)) return HistoryOutcome::Failed;
    InfoLog << "全履歴を取得します" << EndLine;
    // Asked once: an account without the right is told so before any comment is asked for.
    std::string waybackKey, userId;
    if (!client.GetPastLogPass(target, waybackKey, userId)) return HistoryOutcome::Failed;
    const std::string fileName = CurrentCommentFileName(App().settings.FilenameFormat, target);
    InfoLog << "Filename = " << fileName << EndLine;
    std::wstring path = CommentFilePath(saveFolder, fileName);
    if (!ConfirmCommentFileOverwrite(path, &App().settings.AutoOverWrite)) return HistoryOutcome::Cancelled;
    savedPath = path;

    std::vector<std::unique_ptr<SpoolFile>> replies;  // newest first
    std::vector<long long> held;                      // every number received, ascending
    long long oldestDate = 0;
    bool failed = false, complete = false;
    int requests = 0;
    while (requests < maxRequests && !complete) {
        if (requests > 0) {
            if (FetchStopRequested()) return Stopped();
            WaitBetweenAccesses(App().settings.AccessWait);
            if (FetchStopRequested()) return Stopped();
        }
        const bool past = requests > 0;
        const std::string request = past ? client.ComposeThreadRequest(target.threadId, kCommentsPerRequest, userId,
                                                                       static_cast<int>(oldestDate), waybackKey)
                                         : client.ComposeThreadRequest(target.threadId, kCommentsPerRequest);
        InfoLog << "Post Data = " << request << EndLine;
        auto reply = std::make_unique<SpoolFile>();
        if (!reply->Create()) {
            InfoLog << "◆一時ファイルを作れません (" << static_cast<unsigned long>(::GetLastError()) << ")" << EndLine;
            failed = true;
            break;
        }
        ++requests;
        const HistoryReply step = client.PostHistoryRequest(request, target.serverUrl, reply->Handle());
        if (!step.ok) {  // logged
            failed = true;
            break;
        }
        const long long oldestHeld = held.empty() ? LLONG_MAX : held.front();
        const std::size_t added = AddNewNumbers(held, step.numbers);
        InfoLog << "履歴 " << requests << "/" << maxRequests << ": "
                << (past ? LocalTimeText(oldestDate) + " 以前" : std::string("現在")) << " → 新しいコメント " << added
                << " 件 (計 " << held.size() << " 件)" << EndLine;
        if (!step.numbers.empty()) replies.push_back(std::move(reply));
        // Done when nothing older came, the thread's first comment is held,
        // or there is no date to ask before.
        complete =
            step.numbers.empty() || step.numbers.front() >= oldestHeld || held.front() <= 1 || step.oldestDate <= 0;
        if (step.oldestDate > 0 && (oldestDate == 0 || step.oldestDate < oldestDate)) oldestDate = step.oldestDate;
    }
    if (held.empty()) {
        if (!failed) {
            InfoLog << "コメントが見つかりませんでした" << EndLine;
            InfoLog << "XMLの取得に失敗しました" << EndLine;
        }
        return HistoryOutcome::Failed;
    }
    if (failed) {
        InfoLog << "※全履歴の取得が途中で失敗しました。それまでのコメントを保存します (履歴は不完全です)" << EndLine;
    } else if (!complete) {
        InfoLog << "※リクエスト数の上限 (" << maxRequests << " 回) に達しました。これより古いコメントは取得していません"
                << EndLine;
    }

    // Oldest first: where a comment changed, the newer reply's version stands.
    std::vector<std::wstring> paths;
    for (auto it = replies.rbegin(); it != replies.rend(); ++it) paths.push_back((*it)->Path());
    MergeOptions options;
    options.newestByServerTime = false;
    options.stop = &FetchStopRequested();
    InfoLog << "Save XML" << EndLine;
    const MergeResult merged = MergeCommentFiles(paths, path, options);
    if (merged.outcome == MergeOutcome::Stopped) return Stopped();
    if (merged.outcome != MergeOutcome::Saved) return HistoryOutcome::Failed;
    InfoLog << "全履歴のコメント " << merged.written << " 件を保存しました (リクエスト " << requests << " 回)"
            << EndLine;
    return failed ? HistoryOutcome::Incomplete : HistoryOutcome::Saved;
}
