// The fetch job over an address list, without its window: the window and the
// console companion give it a view that shows states and outcomes.
#pragma once

#include <atomic>
#include <ctime>
#include <string>
#include <vector>

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
    bool autoFetch = false;
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

// The stop request of the calling thread's job (support/cancel.h), checked
// between the steps, during the pause and between the reads of a reply body:
// the job ends at the next check instead of being terminated in the middle of
// a call. Whoever starts a job clears it before the start, never the job
// itself: a stop asked for before the job's thread runs still counts.
std::atomic<bool>& FetchStopRequested();
// Sets the request and writes "処理を途中停止しました" the first time.
void RequestFetchStop(std::atomic<bool>& stop = FetchStopRequested());

// Runs one job: every address, the pauses, the completion line. A stop
// requested before the call ends the job before its first address.
FetchJobResult RunFetchJob(const FetchJobInput& input, FetchJobView& view);

enum class FetchOutcome { Saved, Failed, Cancelled, Stopped };
FetchOutcome FetchOneAddress(const std::string& address, const FetchJobInput& input, bool batch, FetchJobView& view);

// False without waiting below one second; otherwise logs the two waiting lines
// and waits (in steps of one second, ending early on a stop request).
bool WaitBetweenAccesses(int seconds);

// The fixed text shown when an address failed.
extern const char kFetchErrorText[];
