#include "window/download_view.h"

#include "jobs/download_address_job.h"
#include "resources/resource.h"
#include "support/window.h"
#include "window/main_view.h"
#include "window/shell_open.h"
#include "window/workers.h"

namespace {

// The job's view of the window, on the worker thread. The two menu items stay
// grayed until the last of the jobs that run side by side has ended (the
// window's facts count them).
class WindowDownloadView : public DownloadAddressView {
public:
    WindowDownloadView(HWND main, JobTicket& ticket) : main_(main), ticket_(ticket) {}

    void ShowBusy() override {
        OnWindow([this] { ShowMainEvent(main_, MainEvent::DownloadStarted); });
    }
    void ShowIdle() override {
        OnWindow([this] { ShowMainEvent(main_, MainEvent::DownloadEnded); });
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
