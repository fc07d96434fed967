// The fetch job over an address list, without its window: the window and the
// console companion give it a view that shows states and outcomes.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "jobs/access_pause.h"  // how callers stop the job

struct ConversionRequest;
struct SubtitleRequest;

// What the job shows and asks of its window. The defaults do nothing.
class FetchJobView {
public:
    virtual ~FetchJobView() = default;
    virtual void ShowBusy() {}
    virtual void ShowIdle() {}
    // After a saved address: the button and title read "取得完了".
    virtual void ShowSaved() {}
    // Read again for every address.
    virtual bool GetAllChecked() { return false; }
    virtual bool TextConversionChecked() { return false; }
    virtual bool SubtitlesChecked() { return false; }
    // A message box (only outside batch mode).
    virtual void ShowMessage(const std::string&) {}
    // A batch failure: show the info window and bring it to the front.
    virtual void RevealInfoWindow() {}
    virtual void Beep() {}
    // Runs the conversion job on the request and waits for it; true on success.
    virtual bool RunConversion(const ConversionRequest& request);
    // Runs the subtitle job on the request and waits for it; true on success.
    virtual bool RunSubtitles(const SubtitleRequest& request);
};

struct FetchJobInput {
    std::string addressText;  // addresses separated by ";"
    std::wstring saveFolder;
    int commentCount = 0;
    std::tm pastDate{};  // all zero: current comments
    // Batch mode for one address too (several always are): outcomes go to the
    // info log, never to a message box. The console and the window's auto fetch.
    bool batch = false;
    // Each address's whole history (commentCount and pastDate unused), with
    // at most this many requests to the message server per address.
    bool history = false;
    int maxRequests = 100;
    // Into the video's archive (settings section "archive") instead of a dated file.
    bool archive = false;
};

struct FetchJobResult {
    int saved = 0;
    int failed = 0;
    int cancelled = 0;
    bool stopped = false;
};

// Runs one job: every address, the pauses, the completion line. A stop
// requested before the call ends the job before its first address.
FetchJobResult RunFetchJob(const FetchJobInput& input, FetchJobView& view);

enum class FetchOutcome { Saved, Failed, Cancelled, Stopped };
FetchOutcome FetchOneAddress(const std::string& address, const FetchJobInput& input, bool batch, FetchJobView& view);

// The fixed text shown when an address failed.
extern const char kFetchErrorText[];
