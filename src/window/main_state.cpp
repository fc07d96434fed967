#include "window/main_state.h"

namespace {

struct StateText {
    std::string title;  // after "Kometori - "
    std::string button;
};

// The fetch job's texts: its own conversion shows its progress in the title
// while the button keeps "取得完了".
StateText FetchText(const JobProgress& progress) {
    switch (progress.step) {
        case JobStep::Working: return {"取得中...", "取得中..."};
        case JobStep::Saved: return {"取得完了", "取得完了"};
        case JobStep::Extracting: return {"抽出中...(" + std::to_string(progress.percent) + "%)", "取得完了"};
        case JobStep::Extracted: return {"抽出完了", "取得完了"};
    }
    return {};
}

StateText ConversionText(const JobProgress& progress) {
    switch (progress.step) {
        case JobStep::Extracting: return {"抽出中...(" + std::to_string(progress.percent) + "%)", "抽出中..."};
        case JobStep::Extracted: return {"抽出完了", "抽出中..."};
        default: return {"抽出中...", "抽出中..."};
    }
}

void SetFetchStep(MainFacts& facts, JobStep step, int percent = 0) {
    if (facts.fetch == FetchJob::None) return;  // a late word of a job let go
    facts.fetchProgress = JobProgress{step, percent};
    facts.conversionInFront = false;
}

void SetConversionStep(MainFacts& facts, JobStep step, int percent = 0) {
    if (facts.conversion == ConversionJob::None) return;
    facts.conversionProgress = JobProgress{step, percent};
    facts.conversionInFront = true;
}

void StartFetchJob(MainFacts& facts, FetchJob job) {
    facts.fetch = job;
    SetFetchStep(facts, JobStep::Working);
}

void StartConversionJob(MainFacts& facts, ConversionJob job) {
    facts.conversion = job;
    SetConversionStep(facts, JobStep::Working);
}

}  // namespace

void ApplyMainEvent(MainFacts& facts, MainEvent event, int percent) {
    switch (event) {
        case MainEvent::FetchStarted: StartFetchJob(facts, FetchJob::Comments); break;
        case MainEvent::HistoryStarted: StartFetchJob(facts, FetchJob::History); break;
        case MainEvent::FetchWorking: SetFetchStep(facts, JobStep::Working); break;
        case MainEvent::FetchSaved: SetFetchStep(facts, JobStep::Saved); break;
        case MainEvent::FetchExtracting: SetFetchStep(facts, JobStep::Extracting, percent); break;
        case MainEvent::FetchExtracted: SetFetchStep(facts, JobStep::Extracted); break;
        case MainEvent::FetchEnded:
            facts.fetch = FetchJob::None;
            facts.fetchProgress = JobProgress{};
            facts.jobEnded = true;
            break;
        case MainEvent::TextConversionStarted: StartConversionJob(facts, ConversionJob::Text); break;
        case MainEvent::SubtitleConversionStarted: StartConversionJob(facts, ConversionJob::Subtitles); break;
        case MainEvent::DataExportStarted: StartConversionJob(facts, ConversionJob::Data); break;
        case MainEvent::ConversionExtracting: SetConversionStep(facts, JobStep::Extracting, percent); break;
        case MainEvent::ConversionExtracted: SetConversionStep(facts, JobStep::Extracted); break;
        case MainEvent::ConversionEnded:
            facts.conversion = ConversionJob::None;
            facts.conversionProgress = JobProgress{};
            facts.conversionInFront = false;
            facts.jobEnded = true;
            break;
        case MainEvent::AutoFetchOn: facts.autoFetch = true; break;
        case MainEvent::AutoFetchOff: facts.autoFetch = false; break;
        case MainEvent::DownloadStarted: ++facts.downloadJobs; break;
        case MainEvent::DownloadEnded:
            if (facts.downloadJobs > 0) --facts.downloadJobs;
            break;
    }
}

bool MainView::operator==(const MainView& o) const {
    return title == o.title && fetchButton == o.fetchButton && fetchButtonEnabled == o.fetchButtonEnabled &&
           saveFolderEnabled == o.saveFolderEnabled && acceptsDrops == o.acceptsDrops && fetchItem == o.fetchItem &&
           historyItem == o.historyItem && stopItem == o.stopItem && convertItem == o.convertItem &&
           subtitlesItem == o.subtitlesItem && autoFetchItem == o.autoFetchItem &&
           autoFetchChecked == o.autoFetchChecked && downloadItems == o.downloadItems && viewerItem == o.viewerItem &&
           archiveItem == o.archiveItem;
}

MainView DecideMainView(const MainFacts& facts, const std::string& programName) {
    const bool fetching = facts.fetch != FetchJob::None;
    const bool converting = facts.conversion != ConversionJob::None;
    MainView view;
    // The job whose state the window reads: the one shown, or of two the one
    // that changed last. Without one, automatic fetching's waiting state or idle.
    if (converting && (facts.conversionInFront || !fetching)) {
        const StateText text = ConversionText(facts.conversionProgress);
        view.title = programName + " - " + text.title;
        view.fetchButton = text.button;
    } else if (fetching) {
        const StateText text = FetchText(facts.fetchProgress);
        view.title = programName + " - " + text.title;
        view.fetchButton = text.button;
    } else {
        view.title = facts.autoFetch ? programName + " - 自動取得中..." : programName;
        view.fetchButton = facts.jobEnded ? "取得開始" : "コメント取得(&D)";
    }
    const bool busy = fetching || converting;
    // While automatic fetching is on, nothing starts a job by hand: its timer does.
    const bool startsByHand = !fetching && !facts.autoFetch;
    view.fetchButtonEnabled = !busy && !facts.autoFetch;
    view.saveFolderEnabled = !busy;
    view.acceptsDrops = !busy && !facts.autoFetch;
    view.fetchItem = view.historyItem = startsByHand;
    view.convertItem = view.subtitlesItem = startsByHand;
    view.stopItem = fetching;
    // A fetch job grays it, unless automatic fetching started it: it can be switched off.
    view.autoFetchItem = !fetching || facts.autoFetch;
    view.autoFetchChecked = facts.autoFetch;
    view.downloadItems = facts.downloadJobs == 0;
    return view;
}
