// The conversions in the main window: text, subtitle and data files made from
// a comment file chosen in the file menu or dropped on the window, each on the
// conversion worker with a request of its own. The jobs themselves are
// window-free (jobs/conversion_job.h, jobs/subtitle_job.h); what the window
// shows of them is decided in window/main_view.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>

#include "jobs/conversion_job.h"
#include "window/main_state.h"

struct JobTicket;

// A job's conversion as the window shows it, on the job's worker thread: the
// progress in the title (as the fetch job's own step, or as the conversion
// job's), the outcome in a message box of the worker's own
// once the file is closed. A job asked to stop shows nothing more in the
// window; its outcome goes to the info window.
class WindowConversionView : public ConversionView {
public:
    using Job = std::function<bool(ConversionView* view)>;

    WindowConversionView(HWND main, JobTicket& ticket, bool ofFetchJob)
        : main_(main), ticket_(ticket), ofFetchJob_(ofFetchJob) {}
    // Runs the job, its file written whole before the program may end, then
    // shows the outcome; a job the window has let go logs it instead, so the
    // file it finished after the stop line is not taken for missing. True on
    // success.
    bool Run(const Job& job);

    void ShowOutcome(const std::string& message, const std::string& logLine) override {
        outcome_ = message;
        outcomeLine_ = logLine;
    }
    void ShowPercent(int percent) override;
    void ShowDone() override;

private:
    void Show(MainEvent event, int percent = 0);

    HWND main_;
    JobTicket& ticket_;
    bool ofFetchJob_;
    std::string outcome_;
    std::string outcomeLine_;
};

// "テキスト変換(&T)..." and "字幕ファイル(ASS)に変換(&S)...": the open-file
// dialog, the overwrite question, then the job on the conversion worker.
void ConvertChosenFile(HWND main);
void ConvertChosenFileToSubtitles(HWND main);

// "データとして書き出し(CSV/JSON Lines)(&E)...": the comment file in the
// open-file dialog, the data file in a save dialog whose two types are the two
// formats (a name ending in ".csv" or ".jsonl" decides itself), then the data
// export on the conversion worker.
void ExportChosenFileAsData(HWND main);

// WM_DROPFILES: one comment file converted to text after a question, or with
// SHIFT or CONTROL held the address box filled from the file's name. The drop
// is released on every path.
void HandleFileDrop(HWND main, HDROP drop);

// The conversion worker runs a job that the window still shows.
bool ConversionRunning();
// Lets that job go (it finishes its file and shows nothing but its outcome
// line) and leaves the converting state; false when none ran. Logs nothing.
bool StopConversion(HWND main);
