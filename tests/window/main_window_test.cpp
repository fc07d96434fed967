// The main window made from its template, driven by its commands and controls.
#include "window/main_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "resources/resource.h"
#include "support/handles.h"
#include "support/text.h"
#include "support/window.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"
#include "window/shell_open.h"

namespace {

class MainWindowTest : public ::testing::Test, public MainWindowFixture {};

bool Logged(LineCapture& log, const std::string& line) {
    const std::vector<std::string> lines = log.Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct ControlRow {
    int id;            // -1: a label
    const char* text;  // null: not compared (the form's values)
    int x, y, width, height;
    LONG style;  // bits that must be set
};

const ControlRow kTemplate[] = {
    {-1, "URL(&U):", 7, 6, 39, 10, 0},
    {IDC_URL, nullptr, 54, 4, 205, 12, WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER},
    {IDC_DOWNLOAD, "DL", 264, 4, 13, 13, BS_FLAT},
    {-1, "保存先パス(&P):", 7, 22, 46, 10, 0},
    {IDC_SAVEPATH, nullptr, 54, 20, 205, 12, WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER},
    {IDC_BROWSE, "...", 264, 19, 13, 13, BS_FLAT},
    {-1, "コメント数(&M):", 7, 38, 47, 10, 0},
    {IDC_COMMENT, nullptr, 54, 36, 27, 12, ES_RIGHT | WS_BORDER},
    {IDC_GETALL, "全て取得", 84, 37, 41, 10, BS_AUTOCHECKBOX | BS_FLAT},
    {IDC_TRANSLATE, "テキスト変換", 126, 37, 51, 10, BS_AUTOCHECKBOX | BS_FLAT},
    {IDC_PASTLOG, "過去ログ", 179, 37, 40, 10, BS_AUTOCHECKBOX | BS_FLAT},
    {IDC_FETCH, "コメント取得(&D)", 222, 36, 55, 13, BS_FLAT},
    {IDC_PASTLOG_FRAME, "過去ログ(&L)", 7, 54, 270, 32, BS_GROUPBOX},
    {IDC_YEAR, nullptr, 16, 67, 32, 11, ES_NUMBER | ES_RIGHT | WS_BORDER},
    {IDC_MONTH, nullptr, 60, 67, 17, 11, ES_NUMBER | ES_RIGHT | WS_BORDER},
    {IDC_DAY, nullptr, 89, 67, 17, 11, ES_NUMBER | ES_RIGHT | WS_BORDER},
    {IDC_HOUR, nullptr, 118, 67, 17, 11, ES_NUMBER | ES_RIGHT | WS_BORDER},
    {IDC_MINUTE, nullptr, 148, 67, 17, 11, ES_NUMBER | ES_RIGHT | WS_BORDER},
    {IDC_SECOND, nullptr, 178, 67, 17, 11, ES_NUMBER | ES_RIGHT | WS_BORDER},
    {-1, "年", 50, 69, 8, 9, 0},
    {-1, "月", 79, 69, 8, 9, 0},
    {-1, "日", 109, 69, 8, 9, 0},
    {-1, "時", 138, 69, 8, 9, 0},
    {-1, "分", 168, 69, 8, 9, 0},
    {-1, "秒 時点のコメントを取得", 199, 69, 73, 9, 0},
};

TEST_F(MainWindowTest, ControlsStandInTemplateOrderAtTheirPlaces) {
    ASSERT_TRUE(Open());
    char className[32] = {};
    GetClassNameA(main, className, sizeof className);
    EXPECT_STREQ(className, "CKometori");
    EXPECT_EQ(Title(), "Kometori");
    EXPECT_TRUE(IsWindowVisible(main)) << "initialisation shows the window";
    EXPECT_TRUE(AcceptsDrops());
    EXPECT_NE(GetClassLongPtrA(main, GCLP_HICON), 0);

    HWND child = GetWindow(main, GW_CHILD);
    for (const ControlRow& row : kTemplate) {
        ASSERT_NE(child, nullptr) << row.x << "," << row.y;
        SCOPED_TRACE(row.text ? row.text : std::to_string(row.id));
        EXPECT_EQ(GetDlgCtrlID(child), row.id);
        if (row.text) {
            EXPECT_EQ(WindowText(child), row.text);
        }
        // Place and size are converted apart, as the dialog manager does.
        RECT expected{row.x, row.y, row.width, row.height};
        MapDialogRect(main, &expected);
        RECT actual{};
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right - actual.left, expected.right);
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
        EXPECT_EQ(GetWindowLongA(child, GWL_STYLE) & row.style, row.style);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

std::vector<std::string> MenuLines(HMENU menu, const std::string& indent = "") {
    std::vector<std::string> lines;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (info.fType & MFT_SEPARATOR) {
            lines.push_back(indent + "-");
        } else if (info.hSubMenu) {
            lines.push_back(text);
            for (const std::string& line : MenuLines(info.hSubMenu, "  ")) lines.push_back(line);
        } else {
            lines.push_back(indent + text + " " + std::to_string(info.wID));
        }
    }
    return lines;
}

TEST_F(MainWindowTest, MenuHoldsEveryItemAndSeparator) {
    ASSERT_TRUE(Open());
    const std::vector<std::string> expected = {
        "ファイル(&F)",
        "  テキスト変換(&T)... 40008",
        "  字幕ファイル(ASS)に変換(&S)... 40020",
        "  データとして書き出し(CSV/JSON Lines)(&E)... 40024",
        "  -",
        "  終了(&X) 40001",
        "コメント(&C)",
        "  取得開始(&S) 40002",
        "  全履歴を取得(&H) 40021",
        "  取得中止(&C) 40003",
        "  -",
        "  自動取得(&A) 40013",
        "設定(&S)",
        "  コメント自動取得間隔(&C)... 40014",
        "  -",
        "  NGルールを編集(&E)... 40022",
        "  NGルールを適用する(&N) 40023",
        "  -",
        "  動画ごとに1つのファイルへまとめて保存する(&K) 40026",
        "  常に上書き保存する(&A) 40011",
        "  最前面表示(&T) 40009",
        "  -",
        "  複数URLからの取得完了後に音を鳴らす(&B) 40019",
        "  テキストをUTF-8で出力(&U) 40010",
        "  IEのプロクシ設定を一時的に無効化(&I) 40016",
        "  バージョンアップ通知を有効にする(&V) 40018",
        "表示(&V)",
        "  情報ウィンドウ(&I) 40007",
        "  コメントビューア(&W)... 40025",
        "  -",
        "  ダウンロードURLを開く(&O) 40012",
        "  ダウンロードURLを表示(&V) 40015",
        "  保存先フォルダを開く(&S) 40017",
        "ヘルプ(&H)",
        "  Web(&W) 40004",
        "  ヘルプファイルを開く(&O) 40005",
        "  -",
        "  バージョン情報(&A) 40006",
    };
    EXPECT_EQ(MenuLines(GetMenu(main)), expected);
    EXPECT_FALSE(MenuEnabled(IDM_STOP)) << "no job runs at start";
    EXPECT_TRUE(MenuEnabled(IDM_FETCH));
}

TEST_F(MainWindowTest, TooltipsNameEveryControlButTheFrame) {
    ASSERT_TRUE(Open("[site]\r\nMainHost=video.example:8080\r\n"));
    HWND tips = MainState().tips->Window();
    ASSERT_TRUE(IsWindow(tips));
    EXPECT_TRUE(GetWindowLongA(tips, GWL_STYLE) & TTS_BALLOON);
    EXPECT_EQ(SendMessageA(tips, TTM_GETTIPBKCOLOR, 0, 0), 0xAC7859);
    EXPECT_EQ(SendMessageA(tips, TTM_GETTIPTEXTCOLOR, 0, 0), 0xFFFFFF);
    ASSERT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 15);
    std::map<int, std::string> byControl;
    for (int i = 0; i < 15; ++i) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V1_SIZE;
        SendMessageW(tips, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool));
        // The whole text: the buffer's size goes with the request.
        std::vector<wchar_t> text(4096, L'\0');
        tool.lpszText = text.data();
        SendMessageW(tips, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
        char narrow[8192] = {};
        WideCharToMultiByte(CP_ACP, 0, text.data(), -1, narrow, sizeof narrow, nullptr, nullptr);
        byControl[GetDlgCtrlID(tool.hwnd)] = narrow;
    }
    EXPECT_EQ(byControl.count(IDC_PASTLOG_FRAME), 0u);
    EXPECT_EQ(byControl[IDC_DOWNLOAD],
              "動画ファイルのダウンロードURLを開きます\r\nメニュー→[表示]からダウンロードURLを表示することもできます");
    EXPECT_NE(byControl[IDC_URL].find("\r\n(http://video.example:8080/watch/は省略できます)\r\n"), std::string::npos);
    EXPECT_EQ(
        byControl[IDC_SAVEPATH],
        "コメントファイルの保存フォルダを入力して下さい\r\n(右側にある\"...\"ボタンを押して保存フォルダをダイアログ"
        "から選択することもできます)");
    EXPECT_EQ(byControl[IDC_SECOND], "秒を指定します");
    EXPECT_EQ(byControl[IDC_FETCH], "コメントファイルの取得を開始します");
}

TEST_F(MainWindowTest, FreshStartShowsTheDefaults) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(WindowLeft(main), (GetSystemMetrics(SM_CXSCREEN) - 455) / 2);
    EXPECT_EQ(WindowTop(main), (GetSystemMetrics(SM_CYSCREEN) - 134) / 2);
    HWND info = CBaseDebug::Window();
    EXPECT_FALSE(IsWindowVisible(info));
    EXPECT_EQ(WindowLeft(info), 0);
    EXPECT_EQ(WindowWidth(info), 240);
    EXPECT_EQ(WindowHeight(info), 400);
    EXPECT_EQ(Text(IDC_URL), App().settings.site.WatchPrefix());
    EXPECT_EQ(Text(IDC_SAVEPATH), dir.File("Down"));
    EXPECT_EQ(Text(IDC_COMMENT), "250");
    EXPECT_EQ(Text(IDC_YEAR), std::to_string(CurrentYear()));
    EXPECT_EQ(Text(IDC_MONTH), std::to_string(CurrentMonth()));
    for (UINT id : {IDM_COMPLETE_BEEP, IDM_NOTIFY_VERSION}) EXPECT_TRUE(MenuChecked(id)) << id;
    for (UINT id : {IDM_TOPMOST, IDM_INFO_WINDOW, IDM_ALWAYS_OVERWRITE, IDM_TEXT_UTF8, IDM_DIRECT_CONNECTION,
                    IDM_AUTO_FETCH, IDM_ARCHIVE}) {
        EXPECT_FALSE(MenuChecked(id)) << id;
    }
    // Without the past-log box the date boxes are folded away.
    RECT frame{};
    GetWindowRect(GetDlgItem(main, IDC_PASTLOG_FRAME), &frame);
    RECT client{};
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_LT(client.bottom, frame.bottom);
}

// The folded window ends two pixels (at 96 dots per inch) above the frame,
// below the fetch button: 56 pixels with the template's font on Windows. The
// other scalings: tests/tools/dpi.sh.
TEST_F(MainWindowTest, PastLogBoxFoldsTheWindowJustAboveItsFrame) {
    ASSERT_TRUE(Open("[main]\r\nPastLog=1\r\n"));
    const int full = WindowHeight(main);
    const int width = WindowWidth(main);
    RECT frame{}, button{}, client{};
    GetWindowRect(GetDlgItem(main, IDC_PASTLOG_FRAME), &frame);
    GetWindowRect(GetDlgItem(main, IDC_FETCH), &button);
    Click(IDC_PASTLOG);
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(client.bottom, frame.top - 2);
    EXPECT_GE(client.bottom, button.bottom);
    EXPECT_EQ(WindowWidth(main), width);
    Click(IDC_PASTLOG);
    EXPECT_EQ(WindowHeight(main), full);
}

TEST_F(MainWindowTest, GetAllDisablesTheCount) {
    ASSERT_TRUE(Open("[main]\r\nGetAllComment=1\r\n"));
    EXPECT_TRUE(Checked(IDC_GETALL));
    EXPECT_FALSE(Enabled(IDC_COMMENT));
    Click(IDC_GETALL);
    EXPECT_TRUE(Enabled(IDC_COMMENT));
}

TEST_F(MainWindowTest, SettingsComeBackFromTheIniFileAndGoBackToIt) {
    ASSERT_TRUE(
        Open("[main]\r\nLeft=31\r\nTop=42\r\nURL=sm9;sm1234\r\nSavePath=C:\\ログ\\logs.old\r\nComment=77\r\n"
             "TranslateText=1\r\nFormat=%comment%\r\nWindowTopMost=1\r\nAutoOverWrite=1\r\nCompleteBeep=0\r\n"
             "AccessWait=9\r\nMail=a@b.example\r\n[info]\r\nViewInfoWindow=1\r\nLeft=300\r\nTop=20\r\nWidth=333\r\n"
             "Height=222\r\n[pastlog]\r\nYear=2009\r\nMonth=2\r\nDay=30\r\nHour=23\r\nMinute=5\r\nSecond=9\r\n"));
    EXPECT_EQ(WindowLeft(main), 31);
    EXPECT_EQ(WindowTop(main), 42);
    HWND info = CBaseDebug::Window();
    EXPECT_TRUE(IsWindowVisible(info));
    EXPECT_EQ(WindowLeft(info), 300);
    EXPECT_EQ(WindowWidth(info), 333);
    EXPECT_EQ(WindowHeight(info), 222);
    EXPECT_EQ(Text(IDC_URL), "sm9;sm1234");
    EXPECT_EQ(Text(IDC_SAVEPATH), "C:\\ログ\\logs") << "an extension of the last component is cut";
    EXPECT_EQ(Text(IDC_COMMENT), "77");
    EXPECT_TRUE(Checked(IDC_TRANSLATE));
    EXPECT_FALSE(Checked(IDC_GETALL));
    EXPECT_EQ(Text(IDC_DAY), "30");
    EXPECT_TRUE(MenuChecked(IDM_TOPMOST));
    EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(MenuChecked(IDM_INFO_WINDOW));
    EXPECT_TRUE(MenuChecked(IDM_ALWAYS_OVERWRITE));
    EXPECT_FALSE(MenuChecked(IDM_COMPLETE_BEEP));

    // The user's changes, then the end path; a minimised window keeps its old place.
    SetText(IDC_URL, "sm5000");
    SetText(IDC_COMMENT, "12abc");
    SetText(IDC_SECOND, "x7");
    Click(IDC_GETALL);
    Command(IDM_TOPMOST);
    Command(IDM_ARCHIVE);
    MoveWindowTo(info, 310, 25);
    ShowWindow(main, SW_MINIMIZE);
    Command(IDM_EXIT);
    EXPECT_FALSE(IsWindowVisible(info)) << "the end path hides the info window";
    const std::map<std::string, std::string> expected = {
        {"main/Left", "31"},
        {"main/Top", "42"},
        {"main/URL", "sm5000"},
        {"main/SavePath", "C:\\ログ\\logs"},
        {"main/Comment", "12"},
        {"main/GetAllComment", "1"},
        {"main/TranslateText", "1"},
        {"main/PastLog", "0"},
        {"main/Format", "%comment%"},
        {"main/WindowTopMost", "0"},
        {"main/CompleteBeep", "0"},
        {"main/AccessWait", "9"},
        {"main/Mail", "a@b.example"},
        {"info/ViewInfoWindow", "1"},
        {"info/Left", "310"},
        {"info/Top", "25"},
        {"info/Width", "333"},
        {"pastlog/Second", "x7"},
        {"main/FilenameFormat", "%title%(%thread%)[%year2%.%month2%.%day2% %hour2%時%minute2%分]"},
        {"archive/Enabled", "1"},
        {"archive/Format", "%title%(%thread%)"},
    };
    for (const auto& [key, value] : expected) {
        const std::string section = key.substr(0, key.find('/'));
        EXPECT_EQ(IniValue(section.c_str(), key.substr(key.find('/') + 1).c_str()), value) << key;
    }
}

TEST_F(MainWindowTest, CheckMarksFollowTheSettings) {
    ASSERT_TRUE(Open());
    struct Row {
        UINT id;
        bool AppSettings::*flag;
    };
    const Row rows[] = {
        {IDM_ALWAYS_OVERWRITE, &AppSettings::AutoOverWrite}, {IDM_TOPMOST, &AppSettings::WindowTopMost},
        {IDM_COMPLETE_BEEP, &AppSettings::CompleteBeep},     {IDM_TEXT_UTF8, &AppSettings::TextOutUTF8},
        {IDM_NOTIFY_VERSION, &AppSettings::NotifyVersionUp}, {IDM_INFO_WINDOW, &AppSettings::ViewInfoWindow},
    };
    for (const Row& row : rows) {
        const bool before = MenuChecked(row.id);
        for (bool expected : {!before, before}) {
            Command(static_cast<WORD>(row.id));
            EXPECT_EQ(MenuChecked(row.id), expected) << row.id;
            EXPECT_EQ(App().settings.*row.flag, expected) << row.id;
        }
    }
    for (bool expected : {true, false}) {
        Command(IDM_ARCHIVE);
        EXPECT_EQ(MenuChecked(IDM_ARCHIVE), expected);
        EXPECT_EQ(App().settings.archive.Enabled, expected);
    }
    Command(IDM_TOPMOST);
    EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Command(IDM_INFO_WINDOW);
    EXPECT_TRUE(IsWindowVisible(CBaseDebug::Window()));
    // The info window's close box hides it and takes the mark off.
    SendMessageA(CBaseDebug::Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(CBaseDebug::Window()));
    EXPECT_FALSE(MenuChecked(IDM_INFO_WINDOW));
    EXPECT_TRUE(IsWindow(CBaseDebug::Window()));
}

TEST_F(MainWindowTest, ProxyItemShowsTheRestartNoticeBeforeTheMarkChanges) {
    ASSERT_TRUE(Open());
    std::vector<bool> markWhileShown;
    boxes.OnBox([&](HWND) { markWhileShown.push_back(MenuChecked(IDM_DIRECT_CONNECTION)); });
    Command(IDM_DIRECT_CONNECTION);
    EXPECT_TRUE(App().settings.AlwaysDirectConnection);
    Command(IDM_DIRECT_CONNECTION);
    EXPECT_FALSE(App().settings.AlwaysDirectConnection);
    EXPECT_EQ(markWhileShown, (std::vector<bool>{false, true}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>(2, "設定内容を反映させるには、Kometoriを再起動して下さい。"));
}

// A start folder that cannot be written (Program Files, a read-only medium):
// the end says where the settings could not go, once.
TEST_F(MainWindowTest, SettingsThatCannotBeWrittenAreReportedOnceAtTheEnd) {
    const std::string stored = "[main]\r\nNotifyVersionUp=0\r\nURL=sm9\r\n";
    ASSERT_TRUE(Open(stored));
    LineCapture log;
    SetText(IDC_URL, "sm1234");
    {
        // Under Wine a read-only file is still written for root: a handle
        // that shares reading only keeps the writes out instead.
        FileHandle readOnly(
            CreateFileA(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(readOnly);
        SendMessageA(main, WM_CLOSE, 0, 0);
        Close();
    }
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"設定ファイルを保存できませんでした。\n\n" + iniPath +
                                                      "\n\nこのフォルダに書き込めるか確認して下さい。今回変更した設定は"
                                                      "失われます。"});
    EXPECT_TRUE(Logged(log, "◆設定ファイルを保存できませんでした (" + iniPath + ")"));
    EXPECT_EQ(ReadFileBytes(iniPath), stored);
}

TEST_F(MainWindowTest, AboutBoxNamesTheSiteAndTheFolder) {
    ASSERT_TRUE(
        Open("[main]\r\nNotifyVersionUp=0\r\n[site]\r\nAuthorSite=http://author.example:81\r\n"
             "AuthorMail=me@author.example\r\n"));
    Command(IDM_ABOUT);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0],
              "\nKometori  Ver.1.32\n\nWebページ ： http://author.example:81/software/kometori/\n"
              "Eメール ： me@author.example\n\n実行フォルダ ： " +
                  dir.Path() + "\n\n");
}

TEST_F(MainWindowTest, ShellItemsOpenThePageTheManualAndAnExistingSaveFolder) {
    std::vector<std::wstring> opened;
    SetShellOpener([&](const std::wstring& target) { opened.push_back(target); });
    ASSERT_TRUE(Open("[main]\r\nNotifyVersionUp=0\r\n[site]\r\nAuthorSite=http://author.example:81\r\n"));
    const std::wstring folder = dir.File(L"予定表 " + std::wstring(kAccentedHangul));
    ASSERT_TRUE(MakeFolder(folder));
    Command(IDM_WEB);
    Command(IDM_HELP);
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    *wcsrchr(program, L'\\') = L'\0';
    SetText(IDC_SAVEPATH, folder);
    Command(IDM_OPEN_SAVE_FOLDER);
    SetText(IDC_SAVEPATH, folder + L"\\ソ");
    Command(IDM_OPEN_SAVE_FOLDER);
    SetShellOpener(nullptr);
    // The manual lies beside the program, not in the start folder.
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"http://author.example:81/software/kometori/",
                                                 std::wstring(program) + L"\\readme.txt", folder}));
}

// Keys go through the dialog manager: Tab walks the tab stops, Alt with a
// label's letter moves to the box after the label.
TEST_F(MainWindowTest, KeyboardMovesTheFocusLikeADialog) {
    ASSERT_TRUE(Open("[main]\r\nNotifyVersionUp=0\r\n"));
    struct Row {
        int from;
        UINT message;
        WPARAM key;
        int to;
    };
    const Row rows[] = {
        {IDC_URL, WM_KEYDOWN, VK_TAB, IDC_DOWNLOAD}, {IDC_COMMENT, WM_KEYDOWN, VK_TAB, IDC_GETALL},
        {IDC_URL, WM_SYSCHAR, 'p', IDC_SAVEPATH},    {IDC_URL, WM_SYSCHAR, 'm', IDC_COMMENT},
        {IDC_COMMENT, WM_SYSCHAR, 'u', IDC_URL},
    };
    PumpMessagesUntil([&] { return GetForegroundWindow() == main; }, 3000);
    for (const Row& row : rows) {
        SetFocus(GetDlgItem(main, row.from));
        ASSERT_EQ(GetFocus(), GetDlgItem(main, row.from));
        PostMessageA(GetFocus(), row.message, row.key, row.message == WM_SYSCHAR ? 1 << 29 : 0);
        PostQuitMessage(0);
        RunMessageLoop(main);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), row.to) << row.from << " key " << row.key;
    }
}

// The form's check before a fetch: the message, and where the focus goes.
struct InputRow {
    const char* name;
    const char* url;
    std::string savePath;
    const char* count;
    bool getAll;
    bool pastLog;
    int yearOffset;  // from the current year
    const char* month;
    const char* day;
    const char* message;  // null: accepted, the job starts
    int focus;            // the control with the focus afterwards, 0: not checked
};

TEST_F(MainWindowTest, FetchInputIsCheckedBeforeTheJob) {
    // A closed port: a job that starts fails at once.
    ASSERT_TRUE(Open("[main]\r\nComment=10\r\n[site]\r\nMainHost=127.0.0.1:9\r\n"));
    RemoveDirectoryA("C:\\a");
    LineCapture log;
    const std::string prefix = App().settings.site.WatchPrefix();
    const std::string folder = dir.File("新しいフォルダ");
    const InputRow rows[] = {
        {"prefix only", prefix.c_str(), folder, "10", false, false, 0, "1", "1", "URLを入力して下さい。", IDC_URL},
        {"no folder", "sm9", "", "10", false, false, 0, "1", "1", "保存先フォルダを指定して下さい。", IDC_SAVEPATH},
        {"C:\\", "sm9", "C:\\", "10", false, false, 0, "1", "1",
         "保存先フォルダのパスが正しくありません。\n入力した保存フォルダのパスを確認して下さい。", 0},
        {"no parent", "sm9", dir.File("無い\\表"), "10", false, false, 0, "1", "1",
         "フォルダの作成に失敗しました。\n入力した保存フォルダのパスを確認して下さい。", 0},
        {"empty count", "sm9", folder, "", false, false, 0, "1", "1", "取得コメント数を入力して下さい。", IDC_COMMENT},
        {"count 0", "sm9", folder, "0", false, false, 0, "1", "1", "取得コメント数が正しくありません。", IDC_COMMENT},
        {"year 2005", "sm9", folder, "10", false, true, 2005, "1", "1", "過去ログの日時指定値が正しくありません。", 0},
        {"next year", "sm9", folder, "10", false, true, 1, "1", "1", "過去ログの日時指定値が正しくありません。", 0},
        {"month 13", "sm9", folder, "10", false, true, 0, "13", "1", "過去ログの日時指定値が正しくありません。", 0},
        {"count 0, get all", "sm9", folder, "0", true, false, 0, "1", "1", nullptr, 0},
        {"February 30", "sm9", "C:\\a", "10", false, true, -1, "2", "30", nullptr, 0},
    };
    for (const InputRow& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.Clear();
        SetText(IDC_URL, row.url);
        SetText(IDC_SAVEPATH, row.savePath);
        SetText(IDC_COMMENT, row.count);
        if (Checked(IDC_GETALL) != row.getAll) Click(IDC_GETALL);
        if (Checked(IDC_PASTLOG) != row.pastLog) Click(IDC_PASTLOG);
        const int year = row.yearOffset > 1000 ? row.yearOffset : CurrentYear() + row.yearOffset;
        SetText(IDC_YEAR, std::to_string(year));
        SetText(IDC_MONTH, row.month);
        SetText(IDC_DAY, row.day);
        SetFocus(GetDlgItem(main, IDC_FETCH));
        Command(IDC_FETCH);
        if (row.message) {
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{row.message});
            EXPECT_EQ(Text(IDC_FETCH), "コメント取得(&D)") << "no job started";
            if (row.focus) {
                EXPECT_EQ(GetFocus(), GetDlgItem(main, row.focus));
            }
            if (std::string(row.count) == "0") {
                // A refused count is selected whole, for typing over it.
                PumpPendingMessages();
                DWORD start = 1, end = 0;
                SendMessageA(GetDlgItem(main, IDC_COMMENT), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                             reinterpret_cast<LPARAM>(&end));
                EXPECT_EQ(start, 0u);
                EXPECT_EQ(end, 1u);
            }
        } else {
            EXPECT_TRUE(GetFileAttributesA(row.savePath.c_str()) & FILE_ATTRIBUTE_DIRECTORY) << "made before the job";
            // The job reads the form as it stood.
            EXPECT_TRUE(PumpMessagesUntil([&] { return Logged(log, "SavePath = " + row.savePath); }));
            Command(IDM_STOP);
            EXPECT_EQ(Title(), "Kometori");
        }
    }
    RemoveDirectoryA("C:\\a");
}

}  // namespace
