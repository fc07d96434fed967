#include "window/fetch_view.h"

#include "infolog/info_log.h"
#include "jobs/conversion_job.h"
#include "jobs/fetch_input.h"
#include "jobs/fetch_job.h"
#include "jobs/subtitle_job.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/window.h"
#include "window/conversion_view.h"
#include "window/main_form.h"
#include "window/main_view.h"
#include "window/program_message.h"
#include "window/workers.h"

namespace {

void SystemBeep() { ::MessageBeep(MB_ICONASTERISK); }

std::function<void()>& CompletionBeep() {
    static std::function<void()> beep = SystemBeep;
    return beep;
}

// A failure in batch mode: the info window shown, checked in the menu, in front.
void RevealInfoWindow(HWND main) {
    if (!App().settings.ViewInfoWindow) ::SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_INFO_WINDOW, 0), 0);
    HWND info = InfoLog.Window();
    if (!info) return;
    SetWindowBand(info, HWND_TOPMOST);
    ::ShowWindow(info, SW_SHOW);
    SetWindowBand(info, HWND_NOTOPMOST);
}

// The job's view of the window, on the worker thread. What changes the window
// runs on the window's thread and only while the window still shows the job;
// message boxes are the worker's own and are skipped once a stop was asked.
class WindowFetchView : public FetchJobView {
public:
    WindowFetchView(HWND main, JobTicket& ticket) : main_(main), ticket_(ticket), conversion_(main, ticket, true) {}

    void ShowBusy() override { Show(MainEvent::FetchWorking); }
    void ShowIdle() override { Show(MainEvent::FetchEnded); }
    void ShowSaved() override { Show(MainEvent::FetchSaved); }
    bool GetAllChecked() override { return ::IsDlgButtonChecked(main_, IDC_GETALL) == BST_CHECKED; }
    bool TextConversionChecked() override { return ::IsDlgButtonChecked(main_, IDC_TRANSLATE) == BST_CHECKED; }
    void ShowMessage(const std::string& message) override {
        if (!ticket_.stop) ShowProgramMessage(main_, message);
    }
    void RevealInfoWindow() override {
        CallOnWindow(main_, ticket_, [this] { ::RevealInfoWindow(main_); });
    }
    void Beep() override { CompletionBeep()(); }
    bool RunConversion(const ConversionRequest& request) override {
        return conversion_.Run([&request](ConversionView* view) { return RunConversionJob(request, view); });
    }
    bool RunSubtitles(const SubtitleRequest& request) override {
        return conversion_.Run([&request](ConversionView* view) { return RunSubtitleJob(request, view); });
    }

private:
    void Show(MainEvent event) {
        HWND main = main_;
        CallOnWindow(main_, ticket_, [main, event] { ShowMainEvent(main, event); });
    }

    HWND main_;
    JobTicket& ticket_;
    WindowConversionView conversion_;
};

}  // namespace

bool StartFetch(HWND main, bool history) {
    const FormValues form = ReadForm(main);
    FetchJobInput input;
    input.addressText = form.URL;
    input.saveFolder = form.SavePath;
    input.commentCount = LeadingNumber(form.Comment);
    input.pastDate = PastDateFromForm(form);
    input.batch = MainViewFacts().autoFetch;
    input.history = history;
    input.archive = App().settings.archive.Enabled;
    const bool started = FetchWorker().Start([main, input](JobTicket& ticket) {
        WindowFetchView view(main, ticket);
        RunFetchJob(input, view);
    });
    // Shown at once: no second job can be started before the worker's first word.
    if (started) ShowMainEvent(main, history ? MainEvent::HistoryStarted : MainEvent::FetchStarted);
    return started;
}

bool FetchRunning() { return FetchWorker().Running(); }

bool StopFetch(HWND main) {
    std::atomic<bool>* stop = FetchWorker().RunningStopFlag();
    if (!stop) return false;
    RequestFetchStop(*stop);
    FetchWorker().Release();
    ShowMainEvent(main, MainEvent::FetchEnded);
    return true;
}

void SetCompletionBeep(std::function<void()> beep) { CompletionBeep() = beep ? std::move(beep) : SystemBeep; }
