#include "jobs/fetch_job.h"

#include "acquisition/comment_client.h"
#include "settings/settings.h"
#include "infolog/info_log.h"
#include "jobs/archive_job.h"
#include "jobs/conversion_job.h"
#include "jobs/history_job.h"
#include "jobs/proxy_override.h"
#include "jobs/subtitle_job.h"
#include "support/codepage.h"
#include "support/text.h"

const char kFetchErrorText[] =
    "処理中にエラーが発生しました。\n情報ウィンドウにエラー情報が表示されています。\n\n"
    "URLが正しいのにエラーが出る場合、サーバーが混雑している可能性があるので、\n"
    "少し時間をおいてから再度実行して下さい。";

bool FetchJobView::RunConversion(const ConversionRequest& request) { return RunConversionJob(request); }
bool FetchJobView::RunSubtitles(const SubtitleRequest& request) { return RunSubtitleJob(request); }

FetchOutcome FetchOneAddress(const std::string& address, const FetchJobInput& input, bool batch, FetchJobView& view) {
    CCommentClient client(App().Access());
    const int commentCount = view.GetAllChecked() ? 1000 : input.commentCount;
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << (input.history ? "[全履歴 取得開始]" : "[コメント 取得開始]") << EndLine;
    InfoLog << "URL = " << address << EndLine;
    if (input.history) {
        InfoLog << "MaxRequests = " << input.maxRequests << EndLine;
    } else {
        InfoLog << "Comment = " << commentCount << EndLine;
    }
    InfoLog << "SavePath = " << ShownPath(input.saveFolder) << EndLine;

    AcquireResult acquired;
    if (input.history) {
        switch (input.archive
                    ? AcquireHistoryIntoArchive(client, address, input.saveFolder, input.maxRequests, acquired.path)
                    : AcquireHistory(client, address, input.saveFolder, input.maxRequests, acquired.path)) {
            case HistoryOutcome::Saved: acquired.outcome = AcquireOutcome::Saved; break;
            case HistoryOutcome::Cancelled: acquired.outcome = AcquireOutcome::Cancelled; break;
            case HistoryOutcome::Stopped: return FetchOutcome::Stopped;
            default: break;  // a partial history is saved, yet the address failed
        }
    } else if (input.archive) {
        switch (FetchIntoArchive(client, address, input.saveFolder, commentCount, input.pastDate, acquired.path)) {
            case ArchiveRoundOutcome::Kept: acquired.outcome = AcquireOutcome::Saved; break;
            case ArchiveRoundOutcome::Stopped: return FetchOutcome::Stopped;
            case ArchiveRoundOutcome::SavedBeside: return FetchOutcome::Failed;  // said; kept beside
            case ArchiveRoundOutcome::Failed: break;
        }
    } else {
        FetchOptions options;
        options.address = address;
        options.commentCount = commentCount;
        options.saveFolder = input.saveFolder;
        options.pastDate = input.pastDate;
        options.fileNameFormat = App().settings.FilenameFormat;
        options.autoOverwrite = &App().settings.AutoOverWrite;
        acquired = client.AcquireComments(options);
    }
    const std::wstring& savedPath = acquired.path;
    if (acquired.outcome == AcquireOutcome::Saved) {
        view.ShowSaved();
        const bool subtitles = view.SubtitlesChecked();
        bool textDone = false;
        if (view.TextConversionChecked()) {
            std::wstring textPath = TextFilePathFor(savedPath);
            // The archive's text follows the archive: replaced every round.
            if (!input.archive && !ChooseTextFilePath(savedPath, textPath)) {
                InfoLog << "操作を取り消しました" << EndLine;
                return FetchOutcome::Cancelled;
            }
            ConversionRequest request;
            request.commentPath = savedPath;
            request.textPath = textPath;
            request.format = App().settings.Format;
            request.completionMessage =
                "コメントファイルを保存しました。\r\n\n" + ShownPath(savedPath) + "\r\n" + ShownPath(textPath);
            request.batch = batch;
            if (!view.RunConversion(request)) return FetchOutcome::Failed;
            if (!subtitles) return FetchOutcome::Saved;
            textDone = true;
        }
        if (subtitles) {
            SubtitleRequest request;
            request.assPath = SubtitleFilePathFor(savedPath);
            if (!input.archive && !ChooseSubtitleFilePath(savedPath, request.assPath)) {
                InfoLog << "操作を取り消しました" << EndLine;
                return FetchOutcome::Cancelled;
            }
            request.commentPath = savedPath;
            request.options = App().settings.subtitle;
            request.completionMessage = textDone ? SubtitleSavedMessage(request.assPath)
                                                 : "コメントファイルを保存しました。\r\n\n" + ShownPath(savedPath) +
                                                       "\r\n" + ShownPath(request.assPath);
            request.batch = batch;
            return view.RunSubtitles(request) ? FetchOutcome::Saved : FetchOutcome::Failed;
        }
        if (!batch) {
            view.ShowMessage("コメントファイルを保存しました。\n\n" + ShownPath(savedPath));
        } else {
            InfoLog << "コメントファイルを保存しました" << EndLine;
        }
        return FetchOutcome::Saved;
    }
    // The failure of an address cut short by a stop is the stop's: nothing more to report.
    if (FetchStopRequested()) return FetchOutcome::Failed;
    if (acquired.outcome == AcquireOutcome::Cancelled) {
        InfoLog << "操作を取り消しました" << EndLine;
        return FetchOutcome::Cancelled;
    }
    if (!batch) {
        view.ShowMessage(kFetchErrorText);
    } else {
        view.RevealInfoWindow();
        InfoLog << "◆" << kFetchErrorText << EndLine;
    }
    return FetchOutcome::Failed;
}

FetchJobResult RunFetchJob(const FetchJobInput& input, FetchJobView& view) {
    FetchJobResult result;
    view.ShowBusy();
    {
        // Back on at every end of the job: saved, failed, stopped or thrown.
        const ProxySwitchedOffForJob proxy;
        const std::vector<std::string> addresses = Split(input.addressText, ";");
        const size_t n = addresses.size();
        const bool batch = n >= 2 || (n == 1 && input.batch);
        for (size_t i = 0; i < n; ++i) {
            if (FetchStopRequested()) {
                result.stopped = true;
                break;
            }
            switch (FetchOneAddress(addresses[i], input, batch, view)) {
                case FetchOutcome::Saved: ++result.saved; break;
                case FetchOutcome::Failed: ++result.failed; break;
                case FetchOutcome::Cancelled: ++result.cancelled; break;
                case FetchOutcome::Stopped: break;  // the stop request ends the job below
            }
            if (batch && i + 1 < n && !FetchStopRequested()) {
                view.ShowBusy();
                WaitBetweenAccesses(App().settings.AccessWait);
            }
        }
        if (FetchStopRequested()) {
            result.stopped = true;  // the stop line came with the request
        } else {
            if (App().settings.CompleteBeep && n >= 2) view.Beep();
            InfoLog << "全ての処理を完了しました" << EndLine;
        }
    }
    view.ShowIdle();
    return result;
}
