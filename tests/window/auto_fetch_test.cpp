// Automatic fetching and its interval dialog, in the real main window.
#include "window/auto_fetch.h"

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support/window.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"

namespace {

class AutoFetchTest : public ::testing::Test, public MainWindowFixture {
protected:
    bool Waiting() const { return Title() == "Kometori - 自動取得中..." && !Enabled(IDC_FETCH); }
};

struct TickRow {
    const char* name;
    int interval;
    DWORD now;
    bool posted;
};

TEST_F(AutoFetchTest, TheTimerPressesTheButtonOnceAnInterval) {
    ASSERT_TRUE(Open());
    const DWORD before = GetTickCount();
    Command(IDM_AUTO_FETCH);
    const DWORD after = GetTickCount();
    EXPECT_TRUE(Waiting() && MenuChecked(IDM_AUTO_FETCH) && MenuEnabled(IDM_AUTO_FETCH));
    EXPECT_FALSE(MenuEnabled(IDM_FETCH) || MenuEnabled(IDM_CONVERT) || AcceptsDrops());
    EXPECT_TRUE(Enabled(IDC_SAVEPATH) && Enabled(IDC_BROWSE));

    const DWORD wrap = 0xFFFF0000;  // the tick count wraps within the next interval
    const TickRow rows[] = {
        {"just short of the first interval", 300, before + 299999, false},
        {"the first interval", 300, after + 300000, true},
        {"just short of the next", 300, after + 599999, false},
        {"long after", 300, wrap, true},
        {"the sum wraps, the time has not come", 300, wrap + 1000, false},
        {"across the wrap", 300, wrap + 300000, true},
        {"an interval of 10 set meanwhile", 10, wrap + 310000, true},
        {"0: every tick", 0, wrap + 310000, true},
    };
    for (const TickRow& row : rows) {
        SCOPED_TRACE(row.name);
        App().settings.AutoGetInterval = row.interval;
        AutoFetchTick(main, WM_TIMER, kAutoFetchTimer, row.now);
        MSG posted{};
        EXPECT_EQ(PeekMessageA(&posted, main, WM_COMMAND, WM_COMMAND, PM_REMOVE) != FALSE, row.posted);
        if (row.posted) {
            EXPECT_EQ(posted.wParam, MAKEWPARAM(IDC_FETCH, BN_CLICKED));
            EXPECT_EQ(posted.lParam, reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_FETCH)));
        }
    }

    Command(IDM_AUTO_FETCH);
    EXPECT_EQ(Title(), "Kometori");
    EXPECT_TRUE(Enabled(IDC_FETCH) && MenuEnabled(IDM_FETCH) && MenuEnabled(IDM_CONVERT) && AcceptsDrops());
    EXPECT_FALSE(MenuChecked(IDM_AUTO_FETCH));
    EXPECT_FALSE(KillTimer(main, kAutoFetchTimer)) << "the timer is gone";
}

TEST_F(AutoFetchTest, ARefusedFormIsShownAgainAtTheNextRound) {
    // Long enough for a round's box to be answered before the next round.
    ASSERT_TRUE(Open("[main]\r\nAutoGetInterval=3\r\nURL=\r\n"));
    // A round that comes while the refusal is up shows nothing more: the
    // command returns at once instead of standing a second box over the first.
    LRESULT nested = -1;
    DWORD_PTR unused = 0;
    boxes.OnBox([&](HWND) {
        if (nested != -1) return;
        nested = SendMessageTimeoutA(main, WM_COMMAND, IDC_FETCH, 0, SMTO_NORMAL, 3000, &unused);
    });
    Command(IDM_AUTO_FETCH);
    ASSERT_TRUE(PumpMessagesUntil([&] { return boxes.Texts().size() >= 2; }, 20000));
    EXPECT_NE(nested, 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>(2, "URLを入力して下さい。"));
    EXPECT_TRUE(MenuChecked(IDM_AUTO_FETCH) && Waiting());
    Command(IDM_AUTO_FETCH);
}

struct IntervalRow {
    const char* name;
    const char* typed;
    int button;  // 0: the close box
    int interval;
};

TEST_F(AutoFetchTest, IntervalDialogSetsOnlyWithItsSetButton) {
    const IntervalRow rows[] = {
        {"設定", "10", IDOK, 10},
        {"設定 with nothing typed", "", IDOK, 0},
        {"取り消し", "10", IDC_INTERVAL_CANCEL, 300},
        {"close box", "10", 0, 300},
    };
    ASSERT_TRUE(Open());
    for (const IntervalRow& row : rows) {
        SCOPED_TRACE(row.name);
        App().settings.AutoGetInterval = 300;
        std::string shown;
        TestThread user([&] {
            HWND dialog = nullptr;
            if (!PumpMessagesUntil([&] { return (dialog = FindDialog("自動取得 間隔 設定")) != nullptr; })) return;
            if (GetWindow(dialog, GW_OWNER) == main) shown = WindowText(GetDlgItem(dialog, IDC_INTERVAL));
            SetDlgItemTextA(dialog, IDC_INTERVAL, row.typed);
            PostMessageA(row.button ? GetDlgItem(dialog, row.button) : dialog, row.button ? BM_CLICK : WM_CLOSE, 0, 0);
        });
        Command(IDM_INTERVAL);  // modal: returns when the dialog has closed
        EXPECT_TRUE(user.Wait());
        EXPECT_EQ(shown, "300");
        EXPECT_EQ(App().settings.AutoGetInterval, row.interval);
    }
}

}  // namespace
