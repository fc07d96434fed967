#include "window/fetch_view.h"

#include <shellapi.h>

#include "infolog/info_log.h"
#include "jobs/conversion_job.h"
#include "jobs/fetch_input.h"
#include "jobs/fetch_job.h"
#include "jobs/subtitle_job.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/window.h"
#include "window/auto_fetch.h"
#include "window/conversion_view.h"
#include "window/main_form.h"
#include "window/program_message.h"
#include "window/workers.h"

namespace {

void SystemBeep() { ::MessageBeep(MB_ICONASTERISK); }

std::function<void()>& CompletionBeep() {
    static std::function<void()> beep = SystemBeep;
    return beep;
}

void ShowSaved(HWND main) {
    ::SetDlgItemTextA(main, IDC_FETCH, "取得完了");
    SetMainTitle(main, "取得完了");
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
    WindowFetchView(HWND main, JobTicket& ticket) : main_(main), ticket_(ticket), conversion_(main, ticket) {}

    void ShowBusy() override { OnWindow([this] { ShowFetchBusy(main_); }); }
    void ShowIdle() override { OnWindow([this] { ShowFetchIdle(main_); }); }
    void ShowSaved() override { OnWindow([this] { ::ShowSaved(main_); }); }
    bool GetAllChecked() override { return ::IsDlgButtonChecked(main_, IDC_GETALL) == BST_CHECKED; }
    bool TextConversionChecked() override { return ::IsDlgButtonChecked(main_, IDC_TRANSLATE) == BST_CHECKED; }
    void ShowMessage(const std::string& message) override {
        if (!ticket_.stop) ShowProgramMessage(main_, message);
    }
    void RevealInfoWindow() override { OnWindow([this] { ::RevealInfoWindow(main_); }); }
    void Beep() override { CompletionBeep()(); }
    bool RunConversion(const ConversionRequest& request) override {
        return conversion_.Run([&request](ConversionView* view) { return RunConversionJob(request, view); });
    }
    bool RunSubtitles(const SubtitleRequest& request) override {
        return conversion_.Run([&request](ConversionView* view) { return RunSubtitleJob(request, view); });
    }

private:
    void OnWindow(std::function<void()> action) { CallOnWindow(main_, ticket_, action); }

    HWND main_;
    JobTicket& ticket_;
    WindowConversionView conversion_;
};

// Main thread only: set by the fetching state, cleared when it is left.
bool g_fetchShown = false;

}  // namespace

void SetMainTitle(HWND main, const char* state) {
    const std::string& name = App().programName;
    ::SetWindowTextA(main, state ? (name + " - " + state).c_str() : name.c_str());
}

void EnableMainControl(HWND main, int id, bool enabled) {
    HWND control = ::GetDlgItem(main, id);
    // Disabling the control that has the focus would leave the keyboard nowhere.
    if (!enabled && ::GetFocus() == control) ::SendMessageA(main, WM_NEXTDLGCTL, 0, FALSE);
    ::EnableWindow(control, enabled);
}

void ShowBusyForm(HWND main, const char* state) {
    ::DragAcceptFiles(main, FALSE);
    ::SetDlgItemTextA(main, IDC_FETCH, state);
    SetMainTitle(main, state);
    for (int id : {IDC_FETCH, IDC_SAVEPATH, IDC_BROWSE}) EnableMainControl(main, id, false);
}

void ShowFetchBusy(HWND main) {
    g_fetchShown = true;
    ShowBusyForm(main, "取得中...");
    HMENU menu = ::GetMenu(main);
    SetMenuItemEnabled(menu, IDM_STOP, true);
    SetMenuItemEnabled(menu, IDM_FETCH, false);
    SetMenuItemEnabled(menu, IDM_CONVERT, false);
    for (UINT id : {IDM_CONVERT_SUBTITLES, IDM_FETCH_HISTORY}) SetMenuItemEnabled(menu, id, false);
    // A running automatic fetch can still be switched off.
    if (!IsMenuItemChecked(menu, IDM_AUTO_FETCH)) SetMenuItemEnabled(menu, IDM_AUTO_FETCH, false);
}

void ShowFetchIdle(HWND main) {
    g_fetchShown = false;
    ::DragAcceptFiles(main, TRUE);
    ::SetDlgItemTextA(main, IDC_FETCH, "取得開始");
    SetMainTitle(main, nullptr);
    for (int id : {IDC_FETCH, IDC_SAVEPATH, IDC_BROWSE}) EnableMainControl(main, id, true);
    HMENU menu = ::GetMenu(main);
    SetMenuItemEnabled(menu, IDM_STOP, false);
    for (UINT id : {IDM_FETCH, IDM_CONVERT, IDM_AUTO_FETCH}) SetMenuItemEnabled(menu, id, true);
    for (UINT id : {IDM_CONVERT_SUBTITLES, IDM_FETCH_HISTORY}) SetMenuItemEnabled(menu, id, true);
    if (ConversionShown()) {
        ShowBusyForm(main, "抽出中...");
    } else {
        ShowAutoFetchState(main);
    }
}

bool FetchShown() { return g_fetchShown; }

bool StartFetch(HWND main, bool history) {
    const FormValues form = ReadForm(main);
    FetchJobInput input;
    input.addressText = form.URL;
    input.saveFolder = form.SavePath;
    input.commentCount = LeadingNumber(form.Comment);
    input.pastDate = PastDateFromForm(form);
    input.autoFetch = IsMenuItemChecked(::GetMenu(main), IDM_AUTO_FETCH);
    input.history = history;
    const bool started = FetchWorker().Start([main, input](JobTicket& ticket) {
        WindowFetchView view(main, ticket);
        RunFetchJob(input, view);
    });
    if (started) SetMenuItemEnabled(::GetMenu(main), IDM_STOP, true);
    return started;
}

bool FetchRunning() { return FetchWorker().Running(); }

bool StopFetch(HWND main) {
    std::atomic<bool>* stop = FetchWorker().RunningStopFlag();
    if (stop) {
        RequestFetchStop(*stop);
        FetchWorker().Release();
        ShowFetchIdle(main);
    }
    SetMenuItemEnabled(::GetMenu(main), IDM_STOP, false);
    return stop != nullptr;
}

void SetCompletionBeep(std::function<void()> beep) {
    CompletionBeep() = beep ? std::move(beep) : SystemBeep;
}
