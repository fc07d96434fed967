// Fetching through the main window against the stand-in site: the job's
// states, its reports, the sign-in dialog, stop and the close prompt.
#include <gtest/gtest.h>

#include "comments/comment_reader.h"
#include "jobs/fetch_job.h"
#include "support/http.h"
#include "support/window.h"
#include "support/write_guard.h"
#include "support/codepage.h"
#include "testlib/dialogs.h"
#include "testlib/process.h"
#include "testlib/proxy_registry.h"
#include "testlib/window_site_test.h"

namespace {

const char kStopPrompt[] =
    "現在処理中です。\n\n[はい]を選択するとソフトを強制終了します。\n[いいえ]を選択すると処理を途中停止します。";

class WindowFetchTest : public WindowSiteTest {
protected:
    // Keys that only the end path writes.
    bool Saved() const { return IniValue("main", "CompleteBeep") != "<none>"; }
};

TEST_F(WindowFetchTest, OneAddressIsReportedInAMessageBox) {
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9"));
    std::vector<std::string> shown;  // the window while the box is up
    boxes.OnBox([&](HWND) {
        shown = {Text(IDC_FETCH),
                 Title(),
                 std::to_string(Enabled(IDC_FETCH)),
                 std::to_string(Enabled(IDC_SAVEPATH)),
                 std::to_string(Enabled(IDC_BROWSE)),
                 std::to_string(Enabled(IDC_URL)),
                 std::to_string(MenuEnabled(IDM_FETCH)),
                 std::to_string(MenuEnabled(IDM_STOP)),
                 std::to_string(MenuEnabled(IDM_CONVERT)),
                 std::to_string(MenuEnabled(IDM_AUTO_FETCH)),
                 std::to_string(AcceptsDrops())};
    });
    Command(IDC_FETCH);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"コメントファイルを保存しました。\n\n" + dir.File("sm9.xml")});
    EXPECT_EQ(shown, (std::vector<std::string>{"取得完了", "Kometori - 取得完了", "0", "0", "0", "1", "0", "1", "0",
                                               "0", "0"}));
    EXPECT_TRUE(FileExists(dir.File("sm9.xml")));
    EXPECT_TRUE(Enabled(IDC_FETCH) && Enabled(IDC_SAVEPATH) && Enabled(IDC_BROWSE));
    EXPECT_FALSE(MenuEnabled(IDM_STOP));
    EXPECT_TRUE(MenuEnabled(IDM_FETCH) && MenuEnabled(IDM_CONVERT) && MenuEnabled(IDM_AUTO_FETCH));
    EXPECT_TRUE(AcceptsDrops());
    EXPECT_EQ(Count("全ての処理を完了しました"), 1);
    EXPECT_EQ(beeps, 0);
}

// A save folder picked in the folder browser, named as the code page cannot
// spell it: the fetch saves there, and the next start shows the same folder.
TEST_F(WindowFetchTest, FolderPickedInTheBrowserIsUsedAndKept) {
    // Wine's browser selects no folder whose own name holds a blank: none here.
    const std::wstring folder = dir.File(kAccentedHangul) + L"\\" + kEmojiName + kChineseName;
    ASSERT_TRUE(MakeFolder(dir.File(kAccentedHangul)) && MakeFolder(folder));
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9"));
    // Wine's browser, on a busy machine, may stop its walk to a folder part-way
    // (at the user folder): the user would pick again, and so does the test.
    for (int pick = 0; pick < 3 && WideText(IDC_SAVEPATH) != folder; ++pick) {
        FileDialogAnswer browser(main, folder);
        Click(IDC_BROWSE);
        EXPECT_TRUE(browser.Answered());
    }
    EXPECT_EQ(WideText(IDC_SAVEPATH), folder);
    Command(IDC_FETCH);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"コメントファイルを保存しました。\n\n" + ShownPath(folder + L"\\sm9.xml")});
    EXPECT_TRUE(FileExists(folder + L"\\sm9.xml"));
    Close();
    ASSERT_TRUE(Open());
    EXPECT_EQ(WideText(IDC_SAVEPATH), folder);
}

// A folder whose kept form would not fit a value of the INI file: said when
// it is first used, once, and the file keeps the folder it had.
TEST_F(WindowFetchTest, AFolderTheIniCannotKeepIsSaidOnceAndNotStored) {
    std::wstring folder = dir.WidePath();
    for (int i = 0; i < 6; ++i) {
        folder += L"\\" + std::wstring(120, L'\uD55C');
        ASSERT_TRUE(MakeFolder(folder)) << "long paths: " << GetLastError();
    }
    ASSERT_FALSE(AppSettings::CanKeepSaveFolder(folder));
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9", "AutoOverWrite=1\r\n"));
    SetText(IDC_SAVEPATH, folder);
    for (int fetch = 0; fetch < 2; ++fetch) {
        Command(IDC_FETCH);
        ASSERT_TRUE(WaitIdle());
    }
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].rfind("保存先フォルダのパスが長すぎるため、設定ファイル(Kometori.ini)に保存できません。", 0),
              0u);
    EXPECT_EQ(Count("◆保存先フォルダのパスが長すぎるため、設定ファイルに保存できません: " + ShownPath(folder)), 1);
    EXPECT_TRUE(FileExists(folder + L"\\sm9.xml"));
    Close();
    EXPECT_EQ(IniValue("main", "SavePath"), dir.Path());
}

TEST_F(WindowFetchTest, SeveralAddressesReportToTheLogAndBeepOnce) {
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9;sm1234"));
    Command(IDM_FETCH);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Count("コメントファイルを保存しました"), 2);
    EXPECT_EQ(Count("待機中...(1秒)"), 1);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(FileExists(dir.File("sm1234.xml")));
}

TEST_F(WindowFetchTest, BatchFailureBringsTheHiddenInfoWindowForward) {
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm3;sm9"));
    HWND info = CBaseDebug::Window();
    ASSERT_FALSE(IsWindowVisible(info));
    Command(IDC_FETCH);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(IsWindowVisible(info));
    EXPECT_TRUE(MenuChecked(IDM_INFO_WINDOW));
    EXPECT_TRUE(App().settings.ViewInfoWindow);
    EXPECT_FALSE(GetWindowLongA(info, GWL_EXSTYLE) & WS_EX_TOPMOST) << "in front, not kept on top";
    EXPECT_EQ(Count(std::string("◆") + kFetchErrorText), 1);
    EXPECT_TRUE(FileExists(dir.File("sm9.xml")));
}

struct SignInRow {
    const char* name;
    const char* storedMail;
    const char* storedPass;
    const char* typedPass;  // typed into the dialog with the premium mail address
    bool notice;            // "please sign in" comes before the dialog
    bool saved;
};

TEST_F(WindowFetchTest, SignInDialogAsksForTheAccount) {
    const SignInRow rows[] = {
        {"nothing stored, good password", "", "", "p&ss+w%rd=1", true, true},
        {"stored password refused, refused again", "premium@kometori.test", "wrong", "still wrong", false, false},
    };
    for (const SignInRow& row : rows) {
        SCOPED_TRACE(row.name);
        StandinSignOut();
        DeleteFileA(dir.File("sm9.xml").c_str());
        boxes.Clear();
        ASSERT_TRUE(OpenWith("sm9", std::string("Mail=") + row.storedMail + "\r\nPass=" + row.storedPass + "\r\n"));
        Command(IDC_FETCH);
        HWND dialog = nullptr;
        ASSERT_TRUE(PumpMessagesUntil([&] { return (dialog = FindDialog("ログイン")) != nullptr; }, 30000));
        EXPECT_EQ(boxes.Texts().size(), row.notice ? 1u : 0u);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
        EXPECT_FALSE(IsWindowEnabled(main)) << "modal to the main window";
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LOGIN_MAIL)), row.storedMail);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LOGIN_PASS)), row.storedPass);
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_LOGIN_PASS), GWL_STYLE) & ES_PASSWORD);
        SetDlgItemTextA(dialog, IDC_LOGIN_MAIL, "premium@kometori.test");
        SetDlgItemTextA(dialog, IDC_LOGIN_PASS, row.typedPass);
        // Enter and Esc do nothing; only the button signs in.
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(IsWindow(dialog));
        PostMessageA(GetDlgItem(dialog, IDC_LOGIN_BUTTON), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(FileExists(dir.File("sm9.xml")), row.saved);
        const std::vector<std::string> texts = boxes.Texts();
        ASSERT_FALSE(texts.empty());
        if (row.notice) {
            EXPECT_EQ(texts.front(), "モクモク動画にログインして下さい。");
        }
        if (row.saved) {
            EXPECT_EQ(App().settings.Pass, row.typedPass) << "the account that signed in is kept";
        } else {
            EXPECT_EQ(texts.back(), kFetchErrorText);
            EXPECT_EQ(Count("◆モクモク動画にログインして下さい"), 1);
        }
        Close();
        log.Clear();
    }
}

TEST_F(WindowFetchTest, StopDuringThePauseGoesIdleAtOnce) {
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9;sm1234;sm5000", "AccessWait=30\r\n"));
    Command(IDC_FETCH);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count("待機中...(30秒)") == 1; }, 30000));
    Command(IDM_STOP);
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(MenuEnabled(IDM_STOP));
    EXPECT_EQ(Count("処理を途中停止しました"), 1);
    // The worker ends at its next check and never touches the window again.
    SetWindowTextA(main, "marker");
    ASSERT_TRUE(PumpMessagesUntil([] { return !AnyWorkerRunning(); }, 5000));
    PumpPendingMessages();
    EXPECT_EQ(Title(), "marker");
    EXPECT_FALSE(FileExists(dir.File("sm1234.xml")));
    EXPECT_EQ(Count("全ての処理を完了しました"), 0);
    EXPECT_EQ(Count("処理を途中停止しました"), 1);
}

// The browser proxy switched off for the job is back on once the stopped job
// has ended, though the stop came in the middle of an exchange.
TEST_F(WindowFetchTest, StopDuringAStalledExchangeGivesTheProxyBack) {
    ProxyRegistryState registry;
    ProxyRegistryState::Set(1);
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9", "AlwaysDirectConnection=1\r\n"));
    StandinFault("message", "stall", 0);
    Command(IDC_FETCH);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count("Post XML...") == 1; }, 30000));
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);
    Command(IDM_STOP);
    EXPECT_TRUE(Idle());
    StandinReset();  // the stalled exchange ends, if the stop has not ended it
    ASSERT_TRUE(PumpMessagesUntil([] { return !AnyWorkerRunning(); }, 40000));
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
    EXPECT_EQ(Count("全ての処理を完了しました"), 0);
}

// A message server that trickles its reply ends the fetch at the exchange's
// overall limit (shortened here), like one that does not answer at all.
TEST_F(WindowFetchTest, ATricklingServerFailsTheFetchAtTheExchangesLimit) {
    struct Restore {
        ~Restore() { SetHttpTimeouts(HttpTimeouts()); }
    } restore;
    SetHttpTimeouts(HttpTimeouts{15000, 30000, 30000, 2000});
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9"));
    StandinFault("message", "trickle", 0);
    const ULONGLONG start = GetTickCount64();
    Command(IDC_FETCH);
    ASSERT_TRUE(WaitIdle());
    EXPECT_LT(GetTickCount64() - start, 15000u);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kFetchErrorText});
    EXPECT_FALSE(FileExists(dir.File("sm9.xml")));
}

// The job's own text conversion goes on to its end after "取得中止": no box
// comes any more, so the info window says that the text file was saved.
TEST_F(WindowFetchTest, AConversionFinishedAfterTheStopIsReportedInTheLog) {
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9", "TranslateText=1\r\n"));
    const std::string xml = dir.File("sm9.xml"), txt = dir.File("sm9.txt");
    WriteFileBytes(txt, "old");  // so the job asks before its conversion
    std::unique_lock<std::recursive_mutex> writing(FileWriteMutex(), std::defer_lock);
    Command(IDC_FETCH);
    HWND question = nullptr;
    ASSERT_TRUE(PumpMessagesUntil([&] { return (question = FindDialog("ファイルの保存")) != nullptr; }, 30000));
    writing.lock();  // the conversion waits for it before it starts its file
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDC_OVERWRITE_YES, BN_CLICKED), 0);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !IsWindow(question); }));
    Command(IDM_STOP);
    EXPECT_TRUE(Idle());
    writing.unlock();
    ASSERT_TRUE(PumpMessagesUntil([] { return !AnyWorkerRunning(); }, 30000));
    PumpPendingMessages();
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_NE(ReadFileBytes(txt), "old");
    EXPECT_EQ(log.Lines().back(), "コメントファイルを保存しました。\r\n\n" + xml + "\r\n" + txt);
    EXPECT_EQ(Count("処理を途中停止しました"), 1);
    EXPECT_EQ(Title(), "Kometori") << "the finished conversion leaves the idle window alone";
}

struct CloseRow {
    const char* name;
    WORD command;  // 0: the close box
    int answer;
    bool asked;
    bool ended;
};

TEST_F(WindowFetchTest, ClosingDuringAJob) {
    const CloseRow rows[] = {
        {"close box, cancel", 0, IDCANCEL, true, false},
        {"close box, no", 0, IDNO, true, false},
        {"close box, yes", 0, IDYES, true, true},
        {"exit item", IDM_EXIT, IDOK, false, true},
    };
    StandinSignIn("premium");
    for (const CloseRow& row : rows) {
        SCOPED_TRACE(row.name);
        StandinFault("main", "stall", 0);  // the watch page never answers
        DeleteFileA(iniPath.c_str());
        boxes.Clear();
        boxes.SetButton(row.answer);
        log.Clear();
        ASSERT_TRUE(OpenWith("sm9"));
        Command(IDC_FETCH);
        ASSERT_TRUE(PumpMessagesUntil([&] { return Count("URL = sm9") == 1; }));
        if (row.command) {
            Command(row.command);
        } else {
            SendMessageA(main, WM_CLOSE, 0, 0);
        }
        EXPECT_EQ(boxes.Texts(), row.asked ? std::vector<std::string>{kStopPrompt} : std::vector<std::string>{});
        EXPECT_EQ(Saved(), row.ended);
        EXPECT_EQ(Idle(), row.answer == IDNO);
        EXPECT_EQ(Count("処理を途中停止しました"), row.answer == IDNO ? 1 : 0);
        EXPECT_TRUE(IsWindow(main));
        Close();
        StandinReset();
    }
}

struct ConvertRow {
    const char* name;
    WORD item;
    const char* file;     // made beside the comment file
    const char* message;  // before the path
    const char* line;     // one per comment
};

// The file menu's conversions of a comment file fetched from the site: the
// open-file dialog, the job, its message; the overwrite question for a file
// that exists, cancelled; and a cancelled open-file dialog.
TEST_F(WindowFetchTest, FileMenuConvertsAFetchedCommentFile) {
    const ConvertRow rows[] = {
        {"text", IDM_CONVERT, "sm9.txt", "コメント(テキストファイル)を保存しました。\n\n", "\r\n"},
        {"subtitles", IDM_CONVERT_SUBTITLES, "sm9.ass", "字幕ファイル(ASS)を保存しました。\n\n", "\r\nDialogue: "},
    };
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9"));
    Command(IDC_FETCH);
    ASSERT_TRUE(WaitIdle());
    const std::string comments = dir.File("sm9.xml");
    for (const ConvertRow& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.Clear();
        const std::string made = dir.File(row.file);
        for (const std::string& answer : {comments, std::string()}) {
            FileDialogAnswer dialog(main, AnsiToWide(answer));
            Command(row.item);
            EXPECT_TRUE(dialog.Answered());
        }
        ASSERT_TRUE(PumpMessagesUntil([&] { return boxes.Texts().size() == 1 && !AnyWorkerRunning(); }));
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{row.message + made});
        const std::string bytes = ReadFileBytes(made);
        int lines = 0;
        for (size_t at = bytes.find(row.line); at != std::string::npos; at = bytes.find(row.line, at + 1)) ++lines;
        EXPECT_EQ(lines, 5) << "one per comment";

        // Asked again: the file exists, the question is cancelled, nothing happens.
        log.Clear();
        TestThread cancel([] {
            HWND question = nullptr;
            PumpMessagesUntil([&] { return (question = FindDialog("ファイルの保存")) != nullptr; });
            PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDC_OVERWRITE_CANCEL, BN_CLICKED), 0);
        });
        FileDialogAnswer dialog(main, AnsiToWide(comments));
        Command(row.item);
        EXPECT_TRUE(cancel.Wait());
        PumpPendingMessages();
        EXPECT_EQ(boxes.Texts().size(), 1u);
        EXPECT_TRUE(log.Lines().empty());
        EXPECT_EQ(ReadFileBytes(made), bytes);
    }
}

// With the rules on, the text written after a fetch leaves out what the
// console leaves out of the same comment file with the same rules.
TEST_F(WindowFetchTest, TextAfterAFetchHidesWhatTheRulesHide) {
    // Of the five newest comments, one is "shita" and one reads "ここすき".
    WriteFileBytes(dir.File("Kometori-ng.txt"), u8"mail:shita\r\nここすき\r\n");
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9", "TranslateText=1\r\n"));
    Command(IDM_APPLY_NG_RULES);  // the rules on, by the menu
    Command(IDC_FETCH);
    ASSERT_TRUE(WaitIdle());
    const std::string text = ReadFileBytes(dir.File("sm9.txt"));
    const ProgramRun console =
        RunProgram(BuildProgram("kometori-cli.exe"), "convert -y --ng Kometori-ng.txt sm9.xml console.txt", dir.Path());
    ASSERT_EQ(console.exitCode, 0u) << console.output;
    EXPECT_EQ(text, ReadFileBytes(dir.File("console.txt")));
    EXPECT_EQ(text.find("ここすき"), std::string::npos);
    EXPECT_EQ(Count("NG: 2 件を除外しました"), 1);
}

// A fetch started while a conversion runs: whichever ends first hands the
// window back to the other's state, and the last one's end makes it idle.
TEST_F(WindowFetchTest, FetchBesideAConversionEachEndShowsTheOtherJob) {
    const char* comments =
        u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1200000009\"/>"
        u8"<chat thread=\"1200000009\" no=\"1\" vpos=\"150\" date=\"1236384333\">予告編ソース</chat>"
        u8"</packet>";
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9"));
    for (const bool conversionEndsFirst : {false, true}) {
        SCOPED_TRACE(conversionEndsFirst ? "conversion ends first" : "fetch stopped first");
        boxes.Clear();
        const std::string file = dir.File(conversionEndsFirst ? "表示(sm9).xml" : "予告編(sm9).xml");
        WriteFileBytes(file, comments);
        StandinFault("main", "hold");
        {
            // The held file lock keeps the conversion running.
            std::unique_lock<std::recursive_mutex> writing(FileWriteMutex());
            FileDialogAnswer dialog(main, AnsiToWide(file));
            Command(IDM_CONVERT);
            ASSERT_TRUE(PumpMessagesUntil([&] { return Text(IDC_FETCH) == "抽出中..."; }));
            ASSERT_TRUE(MenuEnabled(IDM_FETCH));
            Command(IDM_FETCH);
            ASSERT_TRUE(PumpMessagesUntil([&] { return Count("URL = sm9") == (conversionEndsFirst ? 2 : 1); }));
            EXPECT_EQ(Title(), "Kometori - 取得中...");
            if (!conversionEndsFirst) {
                Command(IDM_STOP);
                EXPECT_EQ(Text(IDC_FETCH), "抽出中...");
                EXPECT_FALSE(MenuEnabled(IDM_STOP));
            }
        }
        if (conversionEndsFirst) {
            ASSERT_TRUE(
                PumpMessagesUntil([&] { return boxes.Texts().size() == 1 && Title() == "Kometori - 取得中..."; }));
            EXPECT_TRUE(MenuEnabled(IDM_STOP));
            EXPECT_FALSE(Enabled(IDC_SAVEPATH));
        }
        StandinRelease();
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(AcceptsDrops() && MenuEnabled(IDM_FETCH) && MenuEnabled(IDM_CONVERT));
        std::vector<std::string> expected{"コメント(テキストファイル)を保存しました。\n\n" +
                                          file.substr(0, file.size() - 4) + ".txt"};
        if (conversionEndsFirst) expected.push_back("コメントファイルを保存しました。\n\n" + dir.File("sm9.xml"));
        EXPECT_EQ(boxes.Texts(), expected);
    }
}

struct HistoryRow {
    const char* url;
    int stopInPause;  // stop during that pause between two steps; 0: run to the end
    std::vector<std::string> boxes;
};

// "全履歴を取得(&H)": the input check, the fetch job's states and messages; the
// window's stop reaches the history's steps.
TEST_F(WindowFetchTest, WholeHistoryFromTheCommentMenu) {
    const std::string file = dir.File("sm4000.xml");
    const HistoryRow rows[] = {
        {"sm4000", 0, {"コメントファイルを保存しました。\n\n" + file}},
        {"sm4000", 2, {}},
        {"", 0, {"URLを入力して下さい。"}},
    };
    StandinSignIn("premium");
    for (const HistoryRow& row : rows) {
        SCOPED_TRACE(std::string(row.url) + " " + std::to_string(row.stopInPause));
        log.Clear();
        boxes.Clear();
        ASSERT_TRUE(OpenWith(row.url));
        Command(IDM_FETCH_HISTORY);
        if (*row.url) {
            ASSERT_TRUE(PumpMessagesUntil([&] { return Count("全履歴を取得します") == 1; }, 30000));
            EXPECT_EQ(Title(), "Kometori - 取得中...");
            EXPECT_TRUE(MenuEnabled(IDM_STOP));
            EXPECT_FALSE(MenuEnabled(IDM_FETCH_HISTORY) || MenuEnabled(IDM_CONVERT_SUBTITLES));
        }
        if (row.stopInPause) {
            ASSERT_TRUE(PumpMessagesUntil([&] { return Count("待機中...(1秒)") == row.stopInPause; }, 30000));
            Command(IDM_STOP);
            EXPECT_TRUE(Idle());
        }
        if (*row.url) {
            ASSERT_TRUE(WaitIdle());
        } else {
            EXPECT_EQ(Text(IDC_FETCH), "コメント取得(&D)") << "no job started";
        }
        EXPECT_EQ(boxes.Texts(), row.boxes);
        EXPECT_TRUE(MenuEnabled(IDM_FETCH_HISTORY));
        ASSERT_EQ(FileExists(file), *row.url && !row.stopInPause);
        if (FileExists(file)) {
            CommentReader reader;
            ASSERT_TRUE(reader.Open(AnsiToWide(file)));
            long long expected = 1;
            while (reader.Next() && reader.Chat().Integer("no") == expected) ++expected;
            EXPECT_EQ(expected, 4501) << "every comment once, in number order";
            DeleteFileA(file.c_str());
        }
        if (row.stopInPause) {
            EXPECT_EQ(Count("全履歴の取得を中止しました。ファイルは保存していません"), 1);
            EXPECT_EQ(StandinBodies("message").size(), 2u);
        }
        Close();
        PumpPendingMessages();  // the end path's quit message would end the next message box at once
        StandinReset();
        StandinSignIn("premium");
    }
}

}  // namespace
