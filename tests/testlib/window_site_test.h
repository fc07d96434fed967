// Base of the window tests against the stand-in site: the real main window on
// the test's thread, the site's hosts, the log captured, the beep counted and
// the shell's opening of addresses recorded instead of done.
#pragma once

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "infolog/info_log.h"
#include "support/codepage.h"
#include "resources/resource.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"
#include "testlib/site_test.h"
#include "window/fetch_view.h"
#include "window/shell_open.h"
#include "window/workers.h"

class WindowSiteTest : public SiteTest, public MainWindowFixture {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        SetCompletionBeep([this] { ++beeps; });
        SetShellOpener([this](const std::wstring& address) {
            std::lock_guard<std::mutex> lock(mutex_);
            opened_.push_back(WideToAnsi(address));
        });
    }
    void TearDown() override {
        Close();
        SiteTest::TearDown();  // releases stalled requests, so let-go workers end
        PumpMessagesUntil([] { return !AnyWorkerRunning(); });
        SetCompletionBeep(nullptr);
        SetShellOpener(nullptr);
    }
    // The INI of these tests: the form, a quick pause, names by video ID. The
    // first of two equal keys counts: `extra` goes first.
    HWND OpenWith(const std::string& url, const std::string& extra = "") {
        return Open("[main]\r\n" + extra + "URL=" + url + "\r\nSavePath=" + dir.Path() +
                    "\r\nComment=5\r\nAccessWait=1\r\nFilenameFormat=%thread%\r\n");
    }
    bool Idle() const { return Title() == "Kometori" && Text(IDC_FETCH) == "取得開始"; }
    // Every worker has ended, and the window is idle.
    bool WaitIdle() {
        return PumpMessagesUntil([&] { return Idle() && !AnyWorkerRunning(); }, 60000);
    }
    int Count(const std::string& line) {
        const auto lines = log.Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    // What would have been opened with the shell, in order.
    std::vector<std::string> Opened() {
        std::lock_guard<std::mutex> lock(mutex_);
        return opened_;
    }
    void ClearOpened() {
        std::lock_guard<std::mutex> lock(mutex_);
        opened_.clear();
    }

    LineCapture log;
    std::atomic<int> beeps{0};

private:
    std::mutex mutex_;
    std::vector<std::string> opened_;
};
