// What the main window shows for every combination of its jobs, decided from
// the facts alone: each job alone, a fetch beside a conversion in both end
// orders, automatic fetching on, waiting and switched off mid-round.
#include "window/main_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Step {
    MainEvent event;
    int percent = 0;
};

// The controls and items enabled, named in this order; anything unnamed is
// disabled or grayed. "checked" is the mark of 40013.
std::string Enabled(const MainView& view) {
    const std::pair<bool, const char*> parts[] = {
        {view.fetchButtonEnabled, "button"}, {view.saveFolderEnabled, "folder"}, {view.acceptsDrops, "drops"},
        {view.fetchItem, "fetch"},           {view.historyItem, "history"},      {view.stopItem, "stop"},
        {view.convertItem, "convert"},       {view.subtitlesItem, "subtitles"},  {view.autoFetchItem, "auto"},
        {view.autoFetchChecked, "checked"},  {view.downloadItems, "download"},
    };
    std::string text;
    for (const auto& part : parts) {
        if (part.first) text += (text.empty() ? "" : " ") + std::string(part.second);
    }
    return text;
}

struct Row {
    const char* name;
    std::vector<Step> steps;
    const char* title;  // after "Kometori - "; empty: the program name alone
    const char* button;
    const char* enabled;
};

const char kIdle[] = "button folder drops fetch history convert subtitles auto download";
const char kFetching[] = "stop download";
const char kConverting[] = "fetch history convert subtitles auto download";
const char kWaiting[] = "folder auto checked download";
const char kRound[] = "stop auto checked download";

using E = MainEvent;

const Row kRows[] = {
    {"at start", {}, "", "コメント取得(&D)", kIdle},
    // The fetch job alone, step by step.
    {"fetching", {{E::FetchStarted}}, "取得中...", "取得中...", kFetching},
    {"an address saved", {{E::FetchStarted}, {E::FetchSaved}}, "取得完了", "取得完了", kFetching},
    {"its own text conversion",
     {{E::FetchStarted}, {E::FetchSaved}, {E::FetchExtracting, 45}},
     "抽出中...(45%)",
     "取得完了",
     kFetching},
    {"its conversion done",
     {{E::FetchStarted}, {E::FetchSaved}, {E::FetchExtracting, 45}, {E::FetchExtracted}},
     "抽出完了",
     "取得完了",
     kFetching},
    {"busy again before the pause",
     {{E::FetchStarted}, {E::FetchSaved}, {E::FetchWorking}},
     "取得中...",
     "取得中...",
     kFetching},
    {"the fetch ended", {{E::FetchStarted}, {E::FetchEnded}}, "", "取得開始", kIdle},
    {"the whole history", {{E::HistoryStarted}}, "取得中...", "取得中...", kFetching},
    // A conversion from the menu or a drop alone.
    {"a text conversion", {{E::TextConversionStarted}}, "抽出中...", "抽出中...", kConverting},
    {"a subtitle conversion", {{E::SubtitleConversionStarted}}, "抽出中...", "抽出中...", kConverting},
    {"its percentage",
     {{E::TextConversionStarted}, {E::ConversionExtracting, 7}},
     "抽出中...(7%)",
     "抽出中...",
     kConverting},
    {"its file written", {{E::TextConversionStarted}, {E::ConversionExtracted}}, "抽出完了", "抽出中...", kConverting},
    {"a data export",
     {{E::DataExportStarted}, {E::ConversionExtracting, 30}},
     "抽出中...(30%)",
     "抽出中...",
     kConverting},
    {"a data export ended beside a fetch",
     {{E::DataExportStarted}, {E::FetchStarted}, {E::ConversionEnded}},
     "取得中...",
     "取得中...",
     kFetching},
    {"the conversion ended", {{E::TextConversionStarted}, {E::ConversionEnded}}, "", "取得開始", kIdle},
    // A fetch started beside a conversion, each ending first.
    {"a fetch beside a conversion",
     {{E::TextConversionStarted}, {E::FetchStarted}},
     "取得中...",
     "取得中...",
     kFetching},
    {"the conversion's percentage comes to the front",
     {{E::TextConversionStarted}, {E::FetchStarted}, {E::ConversionExtracting, 60}},
     "抽出中...(60%)",
     "抽出中...",
     kFetching},
    {"the conversion ends first",
     {{E::TextConversionStarted}, {E::FetchStarted}, {E::ConversionEnded}},
     "取得中...",
     "取得中...",
     kFetching},
    {"then the fetch",
     {{E::TextConversionStarted}, {E::FetchStarted}, {E::ConversionEnded}, {E::FetchEnded}},
     "",
     "取得開始",
     kIdle},
    {"the fetch stopped first",
     {{E::TextConversionStarted}, {E::FetchStarted}, {E::FetchEnded}},
     "抽出中...",
     "抽出中...",
     kConverting},
    {"then the conversion",
     {{E::TextConversionStarted}, {E::FetchStarted}, {E::FetchEnded}, {E::ConversionEnded}},
     "",
     "取得開始",
     kIdle},
    // Automatic fetching.
    {"on, waiting", {{E::AutoFetchOn}}, "自動取得中...", "コメント取得(&D)", kWaiting},
    {"a round", {{E::AutoFetchOn}, {E::FetchStarted}}, "取得中...", "取得中...", kRound},
    {"the round's conversion",
     {{E::AutoFetchOn}, {E::FetchStarted}, {E::FetchSaved}, {E::FetchExtracting, 99}},
     "抽出中...(99%)",
     "取得完了",
     kRound},
    {"waiting after a round",
     {{E::AutoFetchOn}, {E::FetchStarted}, {E::FetchEnded}},
     "自動取得中...",
     "取得開始",
     kWaiting},
    {"switched off mid-round",
     {{E::AutoFetchOn}, {E::FetchStarted}, {E::AutoFetchOff}},
     "取得中...",
     "取得中...",
     kFetching},
    {"that round's end",
     {{E::AutoFetchOn}, {E::FetchStarted}, {E::AutoFetchOff}, {E::FetchEnded}},
     "",
     "取得開始",
     kIdle},
    {"the round's end, then switched off",
     {{E::AutoFetchOn}, {E::FetchStarted}, {E::FetchEnded}, {E::AutoFetchOff}},
     "",
     "取得開始",
     kIdle},
    {"switched off while waiting", {{E::AutoFetchOn}, {E::AutoFetchOff}}, "", "コメント取得(&D)", kIdle},
    {"on during a conversion",
     {{E::TextConversionStarted}, {E::AutoFetchOn}},
     "抽出中...",
     "抽出中...",
     "auto checked download"},
    {"that conversion's end",
     {{E::TextConversionStarted}, {E::AutoFetchOn}, {E::ConversionEnded}},
     "自動取得中...",
     "取得開始",
     kWaiting},
    // Download-address jobs beside the rest, counted.
    {"two download jobs",
     {{E::DownloadStarted}, {E::DownloadStarted}, {E::DownloadEnded}},
     "",
     "コメント取得(&D)",
     "button folder drops fetch history convert subtitles auto"},
    {"both ended",
     {{E::DownloadStarted}, {E::DownloadStarted}, {E::DownloadEnded}, {E::DownloadEnded}},
     "",
     "コメント取得(&D)",
     kIdle},
    {"a download job beside a fetch", {{E::FetchStarted}, {E::DownloadStarted}}, "取得中...", "取得中...", "stop"},
    // A job let go by a stop may still report a step: it changes nothing.
    {"a late step of a stopped fetch",
     {{E::FetchStarted}, {E::FetchEnded}, {E::FetchSaved}, {E::FetchExtracting, 5}},
     "",
     "取得開始",
     kIdle},
    {"a late step of a stopped conversion",
     {{E::TextConversionStarted}, {E::ConversionEnded}, {E::ConversionExtracted}},
     "",
     "取得開始",
     kIdle},
};

TEST(MainState, EveryCombinationOfJobsShowsItsState) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        MainFacts facts;
        for (const Step& step : row.steps) ApplyMainEvent(facts, step.event, step.percent);
        const MainView view = DecideMainView(facts, "Kometori");
        EXPECT_EQ(view.title, *row.title ? std::string("Kometori - ") + row.title : "Kometori");
        EXPECT_EQ(view.fetchButton, row.button);
        EXPECT_EQ(Enabled(view), row.enabled);
        EXPECT_TRUE(view.viewerItem) << "a viewer reads beside any job";
        EXPECT_TRUE(view.archiveItem) << "the archive's switch is read when a fetch starts";
    }
}

}  // namespace
