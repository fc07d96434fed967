#include "window/download_view.h"

#include "jobs/download_address_job.h"
#include "resources/resource.h"
#include "support/window.h"
#include "window/main_window.h"
#include "window/shell_open.h"
#include "window/workers.h"

namespace {

void EnableDownloadItems(HWND main, bool enabled) {
    HMENU menu = ::GetMenu(main);
    SetMenuItemEnabled(menu, IDM_OPEN_DOWNLOAD, enabled);
    SetMenuItemEnabled(menu, IDM_SHOW_DOWNLOAD, enabled);
}

// The job's view of the window, on the worker thread. The two menu items stay
// grayed until the last of the jobs that run side by side has ended.
class WindowDownloadView : public DownloadAddressView {
public:
    WindowDownloadView(HWND main, JobTicket& ticket) : main_(main), ticket_(ticket) {}

    void ShowBusy() override {
        OnWindow([this] {
            if (MainState().downloadJobs++ == 0) EnableDownloadItems(main_, false);
        });
    }
    void ShowIdle() override {
        OnWindow([this] {
            if (--MainState().downloadJobs == 0) EnableDownloadItems(main_, true);
        });
    }
    void RevealInfoWindow() override {
        OnWindow([this] {
            if (!IsMenuItemChecked(::GetMenu(main_), IDM_INFO_WINDOW)) {
                ::SendMessageA(main_, WM_COMMAND, MAKEWPARAM(IDM_INFO_WINDOW, 0), 0);
            }
        });
    }
    void OpenAddress(const std::string& address) override { OpenWithShell(main_, address); }

private:
    void OnWindow(std::function<void()> action) { CallOnWindow(main_, ticket_, action); }

    HWND main_;
    JobTicket& ticket_;
};

}  // namespace

bool StartDownloadAddressJob(HWND main, WORD command) {
    const DownloadCommand what = command == IDM_SHOW_DOWNLOAD ? DownloadCommand::Show : DownloadCommand::Open;
    const std::string addresses = WindowText(::GetDlgItem(main, IDC_URL));
    return StartDetachedWorker([main, what, addresses](JobTicket& ticket) {
        WindowDownloadView view(main, ticket);
        RunDownloadAddressJob(what, addresses, view);
    });
}
