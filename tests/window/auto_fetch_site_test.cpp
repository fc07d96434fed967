// Automatic fetching against the stand-in site: rounds in batch mode, and
// switching off while a round's job runs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "comments/comment_reader.h"
#include "support/codepage.h"
#include "support/window.h"
#include "testlib/window_site_test.h"
#include "window/auto_fetch.h"

namespace {

class AutoFetchSiteTest : public WindowSiteTest {
protected:
    // Signed in; the round's address is sm9, saved again at every round.
    void OpenFor(int interval) {
        StandinSignIn("premium");
        ASSERT_TRUE(OpenWith("sm9", "AutoGetInterval=" + std::to_string(interval) + "\r\nAutoOverWrite=1\r\n"));
    }
    // A round whose watch page waits for StandinRelease.
    void StartHeldRound() {
        OpenFor(1);
        StandinFault("main", "hold");
        Command(IDM_AUTO_FETCH);
        ASSERT_TRUE(PumpMessagesUntil([&] { return Count("URL = sm9") == 1; }));
    }
    bool Waiting() const { return Title() == "Kometori - 自動取得中..." && !Enabled(IDC_FETCH); }
};

TEST_F(AutoFetchSiteTest, RoundsComeOneIntervalApartAndReportToTheLog) {
    OpenFor(2);
    const DWORD before = GetTickCount();
    Command(IDM_AUTO_FETCH);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count("URL = sm9") == 1; }));
    EXPECT_GE(GetTickCount() - before, 2000u) << "not at once";
    ASSERT_TRUE(PumpMessagesUntil(
        [&] { return Count("コメントファイルを保存しました") == 2 && Waiting() && !AnyWorkerRunning(); }, 30000));
    EXPECT_TRUE(boxes.Texts().empty()) << "one address, yet in batch mode";
    EXPECT_EQ(beeps, 0);
    Command(IDM_AUTO_FETCH);
    EXPECT_TRUE(Idle());
}

// The archive's check mark on, rounds of five comments two seconds apart on a
// thread of twenty a second: one file, every comment kept (the gaps filled).
TEST_F(AutoFetchSiteTest, RoundsWithTheArchiveGrowOneFile) {
    StandinSignIn("premium");
    StandinSet("live_rate", "20");
    ASSERT_TRUE(OpenWith("sm7000", "AutoGetInterval=2\r\n"));
    Command(IDM_ARCHIVE);
    Command(IDM_AUTO_FETCH);
    auto rounds = [&] {
        int kept = 0;
        for (const std::string& line : log.Lines()) kept += line.rfind("アーカイブに ", 0) == 0;
        return kept;
    };
    ASSERT_TRUE(PumpMessagesUntil([&] { return rounds() >= 3 && Waiting() && !AnyWorkerRunning(); }, 60000));
    Command(IDM_AUTO_FETCH);
    EXPECT_TRUE(Idle());
    const auto files = ListFolder(dir.Path());
    const std::string archive = "実況ソ表 生放送のように増えるスレッド(sm7000).xml";
    EXPECT_EQ(std::count_if(
                  files.begin(), files.end(),
                  [](const std::string& name) { return name.size() > 4 && name.substr(name.size() - 4) == ".xml"; }),
              1);
    EXPECT_NE(std::find(files.begin(), files.end(), archive + ".lock"), files.end());
    CommentReader reader;
    ASSERT_TRUE(reader.Open(AnsiToWide(dir.File(archive))));
    long long expected = 0;
    while (reader.Next()) {
        const long long no = reader.Chat().Integer("no");
        if (expected != 0) EXPECT_EQ(no, expected);
        expected = no + 1;
    }
    EXPECT_FALSE(reader.Failed());
    EXPECT_GT(expected, 20);
}

TEST_F(AutoFetchSiteTest, SwitchedOffDuringARoundTheJobKeepsItsBusyState) {
    StartHeldRound();
    // A tick that finds the round running starts nothing.
    AutoFetchTick(main, WM_TIMER, kAutoFetchTimer, GetTickCount() + 60000);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, main, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
    Command(IDM_AUTO_FETCH);
    EXPECT_FALSE(MenuChecked(IDM_AUTO_FETCH));
    EXPECT_EQ(Title(), "Kometori - 取得中...");
    EXPECT_FALSE(Enabled(IDC_FETCH) || MenuEnabled(IDM_FETCH));
    Command(IDC_FETCH);  // no second job beside the first
    StandinRelease();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Count("[コメント 取得開始]"), 1);
    EXPECT_TRUE(AcceptsDrops() && MenuEnabled(IDM_FETCH));
    EXPECT_FALSE(KillTimer(main, kAutoFetchTimer));
}

// Switches automatic fetching off inside the round's last call to the window,
// which its thread waits for: the window shows the round's end while the
// thread still runs.
LRESULT CALLBACK SwitchOffAtTheRoundsEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR done) {
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    auto* switched = reinterpret_cast<bool*>(done);
    if (message == kWorkerCallMessage && !*switched && WindowText(window) == "Kometori - 自動取得中...") {
        *switched = true;
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_AUTO_FETCH, 0), 0);
    }
    return result;
}

TEST_F(AutoFetchSiteTest, SwitchedOffBetweenTheRoundsEndAndItsThreadsEndTheWindowGoesIdle) {
    OpenFor(1);
    bool switched = false;
    ASSERT_TRUE(SetWindowSubclass(main, SwitchOffAtTheRoundsEnd, 1, reinterpret_cast<DWORD_PTR>(&switched)));
    Command(IDM_AUTO_FETCH);
    ASSERT_TRUE(PumpMessagesUntil([&] { return switched && !AnyWorkerRunning(); }, 30000));
    RemoveWindowSubclass(main, SwitchOffAtTheRoundsEnd, 1);
    PumpPendingMessages();
    EXPECT_FALSE(MenuChecked(IDM_AUTO_FETCH));
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(Enabled(IDC_FETCH) && MenuEnabled(IDM_FETCH) && MenuEnabled(IDM_CONVERT) && AcceptsDrops());
    EXPECT_FALSE(KillTimer(main, kAutoFetchTimer));
    EXPECT_EQ(Count("[コメント 取得開始]"), 1);
}

TEST_F(AutoFetchSiteTest, NoInTheClosePromptStopsTheRoundAndAutomaticFetching) {
    StartHeldRound();
    boxes.SetButton(IDNO);
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(main) && Idle());
    EXPECT_FALSE(MenuChecked(IDM_AUTO_FETCH));
    EXPECT_FALSE(KillTimer(main, kAutoFetchTimer));
    EXPECT_EQ(Count("処理を途中停止しました"), 1);
}

}  // namespace
