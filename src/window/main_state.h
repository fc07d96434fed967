// What the main window shows while jobs run, decided in one place: the facts
// (which jobs the window shows, where each stands, automatic fetching) change
// by events, and one pure function turns them into what is shown. Free of
// window code: window/main_view draws the result and owns the facts.
#pragma once

#include <string>

// The job on the fetch worker that the window shows.
enum class FetchJob { None, Comments, History };
// The job on the conversion worker that the window shows.
enum class ConversionJob { None, Text, Subtitles, Data };
// Where a shown job stands: its state text.
enum class JobStep { Working, Saved, Extracting, Extracted };

struct JobProgress {
    JobStep step = JobStep::Working;
    int percent = 0;  // while Extracting
};

struct MainFacts {
    FetchJob fetch = FetchJob::None;
    JobProgress fetchProgress;
    ConversionJob conversion = ConversionJob::None;
    JobProgress conversionProgress;
    // With both jobs shown: the conversion changed last, so its text is read.
    bool conversionInFront = false;
    bool autoFetch = false;  // "自動取得(&A)" checked: waiting whenever no fetch is shown
    bool jobEnded = false;   // a job has left the window: the idle button reads "取得開始"
    int downloadJobs = 0;    // download-address jobs at work
};

enum class MainEvent {
    FetchStarted,     // the fetch job, or
    HistoryStarted,   // the whole-history job, on the fetch worker
    FetchWorking,     // busy again (before a pause between addresses)
    FetchSaved,       // an address saved
    FetchExtracting,  // the fetch job's own conversion, with its percentage
    FetchExtracted,
    FetchEnded,  // at its end, or let go by a stop
    TextConversionStarted,
    SubtitleConversionStarted,
    DataExportStarted,
    ConversionExtracting,  // with its percentage
    ConversionExtracted,
    ConversionEnded,  // at its end, or let go
    AutoFetchOn,
    AutoFetchOff,
    DownloadStarted,
    DownloadEnded,
};

void ApplyMainEvent(MainFacts& facts, MainEvent event, int percent = 0);

struct MainView {
    std::string title;
    std::string fetchButton;  // its text
    bool fetchButtonEnabled = true;
    bool saveFolderEnabled = true;  // the box and its "..." button
    bool acceptsDrops = true;
    // Menu items enabled (else grayed), and the one check mark of a job's state.
    bool fetchItem = true;      // 40002 "取得開始(&S)"
    bool historyItem = true;    // 40021 "全履歴を取得(&H)"
    bool stopItem = false;      // 40003 "取得中止(&C)"
    bool convertItem = true;    // 40008 "テキスト変換(&T)..." and 40024, the data export
    bool subtitlesItem = true;  // 40020 "字幕ファイル(ASS)に変換(&S)..."
    bool autoFetchItem = true;  // 40013 "自動取得(&A)"
    bool autoFetchChecked = false;
    bool downloadItems = true;  // 40012 and 40015, the download addresses
    // 40025 "コメントビューア(&W)...": a viewer reads on a worker of its own, beside any job.
    bool viewerItem = true;
    // 40026 "動画ごとに1つのファイルへまとめて保存する(&K)": read when a fetch starts, so it may change beside any job.
    bool archiveItem = true;

    bool operator==(const MainView& other) const;
};

MainView DecideMainView(const MainFacts& facts, const std::string& programName);
