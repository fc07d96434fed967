// The comment viewer as the user meets it: opened from the main window's menu,
// a drop and the command line, its list, sorting, search, graph, NG rules,
// clipboard and picture, and its end with the main window.
#include "window/viewer_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "viewer/comment_cells.h"
#include "export/graph_drawing.h"
#include "export/graph_export.h"
#include "resources/resource.h"
#include "support/codepage.h"
#include "support/com.h"
#include "support/gdi_handles.h"
#include "support/handles.h"
#include "support/replacing_file.h"
#include "support/window.h"
#include "testlib/dialogs.h"
#include "testlib/drop_input.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"
#include "testlib/picture_reader.h"
#include "testlib/time_zone.h"
#include "testlib/viewer_thread.h"
#include "testlib/window_program.h"
#include "window/main_window.h"
#include "window/viewer_graph.h"

namespace {

// A second thread, and names that code page 932 cannot hold.
const char kOtherThread[] = u8"<packet><chat no=\"1\" vpos=\"300\">別のスレッド</chat></packet>";
const wchar_t kWideName[] = L"\uD55C\uAE00\U0001F600\u30BD.xml";  // 한글😀ソ.xml
// Room for a viewer right of the main window on the test's screen.
const char kMainAtTheLeft[] = "[main]\r\nLeft=0\r\nTop=0\r\n";

// A thread as an archive keeps it, numbers 1 to the last a second apart, every
// other comment laughing.
std::string GrowingThread(int last) {
    std::string xml = u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1302222473\" last_res=\"" +
                      std::to_string(last) + "\"/>";
    for (int no = 1; no <= last; ++no) {
        xml += "<chat no=\"" + std::to_string(no) + "\" vpos=\"" + std::to_string(no * 100) + "\" date=\"" +
               std::to_string(1262304000 + no) + "\" user_id=\"u" + std::to_string(no % 7) + "\">" +
               (no % 2 ? u8"ｗｗ予告" : u8"表示ソ") + "</chat>";
    }
    return xml + "</packet>";
}

// The laughing ones, newest first: "199 197 ... 1".
std::string LaughsDown(int last) {
    std::string numbers;
    for (int no = last - (last % 2 == 0); no >= 1; no -= 2) {
        numbers += (numbers.empty() ? "" : " ") + std::to_string(no);
    }
    return numbers;
}

class ViewerTest : public ::testing::Test, public MainWindowFixture {
protected:
    std::wstring Write(const std::string& name, const std::string& xml) {
        WriteFileBytes(dir.File(name), xml);
        return AnsiToWide(dir.File(name));
    }
    // A viewer of the thread, read to its end.
    HWND Viewer(const std::string& ini = "") {
        if (!Open(ini)) return nullptr;
        HWND viewer = OpenViewer(main, Write("表示ソ.xml", kViewerThread));
        return viewer && Loaded(viewer) ? viewer : nullptr;
    }
    static bool Loaded(HWND viewer) {
        const bool loaded = PumpMessagesUntil(
            [&] { return Status(viewer, 0).rfind(L"表示", 0) == 0 && Title(viewer).find(L"%") == std::wstring::npos; });
        if (!loaded)
            ADD_FAILURE() << WideToAnsi(Title(viewer)) << " | " << WideToAnsi(Status(viewer, 0)) << " | "
                          << WideToAnsi(Status(viewer, 1));
        return loaded;
    }
    static std::wstring Title(HWND window) {
        wchar_t text[512] = {};
        GetWindowTextW(window, text, 512);
        return text;
    }
    static std::wstring Status(HWND viewer, int part) {
        HWND status = GetDlgItem(viewer, IDC_VIEWER_STATUS);
        std::wstring text(LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, part, 0)) + 1, L'\0');
        SendMessageW(status, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
        return text.c_str();
    }
    static std::wstring Cell(HWND viewer, int row, int column) {
        wchar_t text[512] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 512;
        SendMessageW(GetDlgItem(viewer, IDC_VIEWER_LIST), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The "No" column top to bottom, as "1 4 2".
    static std::string Numbers(HWND viewer) {
        std::string numbers;
        const int rows = static_cast<int>(SendMessageW(GetDlgItem(viewer, IDC_VIEWER_LIST), LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) numbers += (row ? " " : "") + WideToAnsi(Cell(viewer, row, 1));
        return numbers;
    }
    static std::string SelectedNumber(HWND viewer) {
        HWND list = GetDlgItem(viewer, IDC_VIEWER_LIST);
        const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        return row < 0 ? "" : WideToAnsi(Cell(viewer, row, 1));
    }
    // Types into the search box and waits for the list to follow.
    static void Search(HWND viewer, const wchar_t* text, const std::string& expected) {
        SetWindowTextW(GetDlgItem(viewer, IDC_VIEWER_SEARCH), text);
        EXPECT_TRUE(PumpMessagesUntil([&] { return Numbers(viewer) == expected; })) << Numbers(viewer);
    }
    static std::vector<HWND> Viewers() {
        std::vector<HWND> viewers;
        FindTopLevelWindow([&](HWND window) {
            if (ProcessOf(window) == GetCurrentProcessId() && ClassOf(window) == "CKometoriViewer") {
                viewers.push_back(window);
            }
            return false;
        });
        return viewers;
    }
    // The graph's layout as it draws it, from the same file's figures.
    GraphLayout Layout(HWND viewer, GraphFigures& figures) {
        GraphReading reading;
        std::string error;
        EXPECT_TRUE(ReadGraphFigures(AnsiToWide(dir.File("表示ソ.xml")), GraphTiming(), {}, reading, error));
        figures = reading.figures;
        HWND graph = GetDlgItem(viewer, IDC_VIEWER_GRAPH);
        RECT area{};
        GetClientRect(graph, &area);
        WindowDc dc(graph);
        return MeasureCommentGraph(dc.get(), area, figures, FindPeaks(figures.onScreen));
    }
    static void ClickHeader(HWND viewer, int column) {
        HWND header = reinterpret_cast<HWND>(SendMessageW(GetDlgItem(viewer, IDC_VIEWER_LIST), LVM_GETHEADER, 0, 0));
        RECT rect{};
        SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rect));
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
    }
    static void ClickGraph(HWND viewer, int x) {
        SendMessageW(GetDlgItem(viewer, IDC_VIEWER_GRAPH), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 40));
    }

    ComInit com;
    JapanTimeZone zone;
};

TEST_F(ViewerTest, OpensFromTheViewMenuWithItsControlsAndTheListInTimeOrder) {
    ASSERT_TRUE(Open());
    const std::wstring path = Write("表示ソ.xml", kViewerThread);
    {
        FileDialogAnswer answer(main, path);
        Command(IDM_VIEWER);
        EXPECT_TRUE(answer.Answered());
    }
    ASSERT_EQ(Viewers().size(), 1u);
    HWND viewer = Viewers().front();
    ASSERT_TRUE(Loaded(viewer));
    EXPECT_TRUE(IsWindowUnicode(viewer));
    EXPECT_EQ(Title(viewer), L"コメントビューア - 表示ソ.xml");
    EXPECT_EQ(Numbers(viewer), "1 4 2 7 3 6 5") << "by time, ties in file order, no time last";
    EXPECT_EQ(Cell(viewer, 1, 0), L"0:44.80");
    EXPECT_EQ(Cell(viewer, 1, 2), L"2010/01/01 09:01:30");
    EXPECT_EQ(Cell(viewer, 1, 4), L"ue");
    EXPECT_EQ(Status(viewer, 0), L"表示 7 件 / 全 7 件");

    RECT client{}, graph{};
    GetClientRect(viewer, &client);
    GetClientRect(GetDlgItem(viewer, IDC_VIEWER_GRAPH), &graph);
    EXPECT_EQ(graph.right, client.right) << "the graph spans the window";
    EXPECT_EQ(graph.bottom, ScaleToScreen(120));
    EXPECT_EQ(WindowText(GetDlgItem(viewer, IDC_VIEWER_PATTERN)), "正規表現");
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(viewer, IDC_VIEWER_LIST), GWL_STYLE) & LVS_OWNERDATA);
    HMENU file = GetSubMenu(GetMenu(viewer), 0);
    wchar_t item[64] = {};
    for (UINT id : {IDM_VIEWER_OPEN, IDM_VIEWER_SAVE_GRAPH, IDM_VIEWER_CLOSE}) {
        EXPECT_GT(GetMenuStringW(file, id, item, 64, MF_BYCOMMAND), 0) << id;
    }
}

TEST_F(ViewerTest, HeadersOrderByTimeNumberAndDateAndAgainInReverse) {
    HWND viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    const struct {
        int column;
        const char* numbers;
    } steps[] = {
        {1, "1 2 3 4 5 6 7"}, {1, "7 6 5 4 3 2 1"}, {2, "6 1 2 3 4 5 7"}, {2, "7 5 4 3 2 1 6"},
        {0, "1 4 2 7 3 6 5"}, {0, "5 6 3 7 2 4 1"}, {5, "5 6 3 7 2 4 1"},  // the text orders nothing
    };
    for (const auto& step : steps) {
        ClickHeader(viewer, step.column);
        EXPECT_EQ(Numbers(viewer), step.numbers) << step.column;
    }
}

TEST_F(ViewerTest, SearchFiltersAsTheUserTypesByWordPatternAndSaysWhenAPatternIsBad) {
    HWND viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    Search(viewer, L"W", "3 6");
    EXPECT_EQ(Status(viewer, 0), L"表示 2 件 / 全 7 件");
    Search(viewer, L"ｶﾞﾝﾀﾞﾑ", "7");
    SendMessageW(GetDlgItem(viewer, IDC_VIEWER_PATTERN), BM_CLICK, 0, 0);
    Search(viewer, L"(?i)www", "6");
    Search(viewer, L"(abc", "1 4 2 7 3 6 5");
    EXPECT_EQ(Status(viewer, 1).rfind(L"正規表現が正しくありません: ", 0), 0u) << WideToAnsi(Status(viewer, 1));
    Search(viewer, L"", "1 4 2 7 3 6 5");
    EXPECT_EQ(Status(viewer, 1), L"");
}

TEST_F(ViewerTest, GraphClickSelectsTheFirstShownCommentAtOrAfterItsMomentAndTheTipSaysTimeAndCount) {
    HWND viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    GraphFigures figures;
    const GraphLayout layout = Layout(viewer, figures);
    ClickGraph(viewer, MomentX(layout, 4400));
    EXPECT_EQ(SelectedNumber(viewer), "4");
    ClickGraph(viewer, MomentX(layout, 30000));
    EXPECT_EQ(SelectedNumber(viewer), "6");
    ClickGraph(viewer, layout.plot.right + 50);  // past the end: the last one
    EXPECT_EQ(SelectedNumber(viewer), "6");
    Search(viewer, L"W", "3 6");
    ClickGraph(viewer, MomentX(layout, 4400));
    EXPECT_EQ(SelectedNumber(viewer), "3") << "only what the list shows";
    HWND graph = GetDlgItem(viewer, IDC_VIEWER_GRAPH);
    SendMessageW(graph, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(SelectedNumber(viewer), "3");
    SendMessageW(graph, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(SelectedNumber(viewer), "6");

    const int x = MomentX(layout, 4500);
    SendMessageW(graph, WM_MOUSEMOVE, 0, MAKELPARAM(x, 40));
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    ASSERT_TRUE(SendMessageW(GraphTip(graph), TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)));
    wchar_t text[128] = {};
    tool.lpszText = text;
    SendMessageW(GraphTip(graph), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    const std::size_t second = static_cast<std::size_t>(MomentAtX(layout, x) / 100);
    const std::uint32_t found = second >= 44 && second <= 48 ? 1 : 0;  // comment 3 from 44.1 to 48.1 s
    EXPECT_EQ(std::wstring(text), GraphTipText(second, figures.onScreen[second], &found));
}

TEST_F(ViewerTest, NgRulesHideTheirCommentsAndTheStatusCountsThem) {
    WriteFileBytes(dir.File("rules.txt"), u8"user:u6\nｗ\n");
    HWND viewer = Viewer("[ng]\r\nApply=1\r\nRuleFile=rules.txt\r\n");
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(Numbers(viewer), "1 4 2 7 5");
    EXPECT_EQ(Status(viewer, 0), L"表示 5 件 / 全 7 件 (NG 2 件)");
    Search(viewer, L"W", "");
}

// The lightest of the darkest pixels: the sum of red, green and blue of the
// darkest pixel of the row's comment cell, as the list paints it.
int DarkestInCommentCell(HWND list, int row) {
    RECT client{}, cell{};
    GetClientRect(list, &client);
    cell.top = static_cast<int>(ViewerColumn::Text);
    cell.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    WindowDc screen(list);
    MemoryDc memory(CreateCompatibleDC(screen.get()));
    BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    SelectedObject chosen(memory.get(), bitmap.get());
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT | PRF_ERASEBKGND);
    int darkest = 3 * 255;
    for (int y = cell.top; y < cell.bottom; ++y) {
        for (int x = cell.left; x < std::min(cell.right, client.right); ++x) {
            const COLORREF c = GetPixel(memory.get(), x, y);
            darkest = std::min(darkest, GetRValue(c) + GetGValue(c) + GetBValue(c));
        }
    }
    return darkest;
}

// A placeholder of a deleted comment is listed greyed with its marker.
TEST_F(ViewerTest, DeletedCommentsAreListedGreyedAndMarked) {
    ASSERT_TRUE(Open());
    std::string xml = kViewerThread;
    xml.insert(xml.rfind("</packet>"), "<chat no=\"8\" vpos=\"4490\" date=\"1262304300\" deleted=\"1\"></chat>");
    HWND viewer = OpenViewer(main, Write("削除ソ.xml", xml));
    ASSERT_TRUE(viewer && Loaded(viewer));
    EXPECT_EQ(Numbers(viewer), "1 4 8 2 7 3 6 5");
    EXPECT_EQ(Cell(viewer, 2, 5), L"削除");
    HWND list = GetDlgItem(viewer, IDC_VIEWER_LIST);
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    EXPECT_EQ(DarkestInCommentCell(list, 2), GetRValue(grey) + GetGValue(grey) + GetBValue(grey));
    EXPECT_EQ(DarkestInCommentCell(list, 3), 0) << "the others in black";
}

TEST_F(ViewerTest, ADropReplacesTheFileAndEachFurtherFileOpensAViewerOfItsOwn) {
    HWND viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    const std::wstring wide = AnsiToWide(dir.Path()) + L"\\" + kWideName;
    ASSERT_TRUE(WriteFileBytes(wide, kOtherThread));
    const std::wstring broken = Write("壊れた.xml", "<packet><chat vpos=\"1\">閉じていない</packet>");
    PostFileDrop(viewer, std::vector<std::wstring>{wide, broken});
    ASSERT_TRUE(PumpMessagesUntil([&] { return Title(viewer) == std::wstring(L"コメントビューア - ") + kWideName; }));
    ASSERT_TRUE(Loaded(viewer));
    EXPECT_EQ(Numbers(viewer), "1");
    // The broken file's viewer says why, and keeps nothing of it.
    ASSERT_TRUE(PumpMessagesUntil([&] { return !boxes.Texts().empty(); }));
    EXPECT_EQ(boxes.Texts().front().rfind("コメントファイルを読み込めません。", 0), 0u) << boxes.Texts().front();
    EXPECT_EQ(Viewers().size(), 2u);

    // A broken file dropped on a viewer leaves what it shows.
    boxes.Clear();
    PostFileDrop(viewer, std::vector<std::wstring>{broken});
    ASSERT_TRUE(PumpMessagesUntil([&] { return !boxes.Texts().empty(); }));
    ASSERT_TRUE(Loaded(viewer));
    EXPECT_EQ(Title(viewer), std::wstring(L"コメントビューア - ") + kWideName);
    EXPECT_EQ(Numbers(viewer), "1");
    // and goes on following it.
    ASSERT_TRUE(WriteFileBytes(wide, GrowingThread(2)));
    EXPECT_TRUE(PumpMessagesUntil([&] { return Status(viewer, 1) == L"更新: +1 件"; }, 2000));
    DeleteFileW(wide.c_str());
}

// An archive after a round: a new file moved over it, or the file written
// anew in place. The viewer reads it again by itself; the comment at the top
// of the view, the one selected, the search and the order stay as they were.
TEST_F(ViewerTest, FollowsItsFileAfterARoundKeepingWhatTheUserLooksAt) {
    ASSERT_TRUE(Open());
    const std::wstring path = Write("アーカイブ表.xml", GrowingThread(200));
    HWND viewer = OpenViewer(main, path);
    ASSERT_TRUE(viewer && Loaded(viewer));
    HWND list = GetDlgItem(viewer, IDC_VIEWER_LIST);
    ClickHeader(viewer, 1);
    ClickHeader(viewer, 1);  // by number, newest first
    Search(viewer, L"ｗ", LaughsDown(200));
    SendMessageW(list, LVM_ENSUREVISIBLE, 55, FALSE);  // the selection inside the view, not at its edge
    LVITEMW chosen{};
    chosen.stateMask = chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 49, reinterpret_cast<LPARAM>(&chosen));
    const std::wstring top = Cell(viewer, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)), 1);
    ASSERT_EQ(SelectedNumber(viewer), "101");
    ASSERT_NE(top, L"199") << "scrolled down";

    const struct {
        int last;  // 0: a damaged file
        bool replaced;
        const wchar_t* note;
    } rounds[] = {
        {260, true, L"更新: +60 件"},
        {300, false, L"更新: +40 件"},
        {0, false, L"ファイルを読み込めないため、前の内容を表示しています: "},
        {310, true, L"更新: +10 件"},  // counted from what is shown
    };
    int shown = 200;
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.last);
        const std::string xml = round.last ? GrowingThread(round.last) : GrowingThread(shown).substr(0, 4000);
        if (round.replaced) {
            ReplacingFile archive;
            ASSERT_TRUE(archive.Begin(path) && archive.Write(xml) && archive.Commit());
        } else {
            ASSERT_TRUE(WriteFileBytes(path, xml));
        }
        EXPECT_TRUE(PumpMessagesUntil([&] { return Status(viewer, 1).rfind(round.note, 0) == 0; }, 2000))
            << WideToAnsi(Status(viewer, 1));
        if (round.last) shown = round.last;
        EXPECT_EQ(Numbers(viewer), LaughsDown(shown));
        EXPECT_EQ(Status(viewer, 0),
                  L"表示 " + std::to_wstring(shown / 2) + L" 件 / 全 " + std::to_wstring(shown) + L" 件");
        EXPECT_EQ(SelectedNumber(viewer), "101");
        EXPECT_EQ(Cell(viewer, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)), 1), top);
    }
    EXPECT_TRUE(boxes.Texts().empty()) << "a damaged file is said in the status bar, not in a box";
}

// Keys as the program's own message loop hands them on: Tab's order, the
// label's letter, Enter and Esc in the search box, the menu's shortcuts.
TEST_F(ViewerTest, KeyboardReachesEveryPartOfTheViewer) {
    HWND viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(PumpMessagesUntil([&] { return GetForegroundWindow() == viewer; }, 3000));
    const struct {
        int from;
        const wchar_t* typed;  // in the search box first
        UINT message;
        WPARAM key;
        bool control;
        int to;  // where the focus is then
        const char* numbers;
        const wchar_t* note;  // the status bar's second part; null: not checked
    } rows[] = {
        {IDC_VIEWER_SEARCH, L"", WM_KEYDOWN, VK_TAB, false, IDC_VIEWER_PATTERN, "1 4 2 7 3 6 5", nullptr},
        {IDC_VIEWER_PATTERN, L"", WM_KEYDOWN, VK_TAB, false, IDC_VIEWER_LIST, "1 4 2 7 3 6 5", nullptr},
        {IDC_VIEWER_LIST, L"", WM_KEYDOWN, VK_TAB, false, IDC_VIEWER_GRAPH, "1 4 2 7 3 6 5", nullptr},
        {IDC_VIEWER_LIST, L"", WM_SYSCHAR, 's', false, IDC_VIEWER_SEARCH, "1 4 2 7 3 6 5", nullptr},
        {IDC_VIEWER_GRAPH, L"", WM_KEYDOWN, 'F', true, IDC_VIEWER_SEARCH, "1 4 2 7 3 6 5", nullptr},
        {IDC_VIEWER_SEARCH, L"W", WM_KEYDOWN, VK_RETURN, false, IDC_VIEWER_LIST, "3 6", nullptr},
        {IDC_VIEWER_SEARCH, L"W", WM_KEYDOWN, VK_ESCAPE, false, IDC_VIEWER_SEARCH, "1 4 2 7 3 6 5", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        Search(viewer, row.typed, row.typed[0] ? "3 6" : "1 4 2 7 3 6 5");
        SetFocus(GetDlgItem(viewer, row.from));
        HeldKey control(row.control ? VK_CONTROL : 0);
        if (row.control) {
            ASSERT_TRUE(PumpMessagesUntil([] { return GetKeyState(VK_CONTROL) < 0; }, 3000));
        }
        PostMessageW(GetFocus(), row.message, row.key, row.message == WM_SYSCHAR ? 1 << 29 : 0);
        PostQuitMessage(0);
        RunMessageLoop(main);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), row.to);
        EXPECT_TRUE(PumpMessagesUntil([&] { return Numbers(viewer) == row.numbers; })) << Numbers(viewer);
        if (row.note) {  // the copy's note comes with the clipboard's answer
            EXPECT_TRUE(PumpMessagesUntil([&] { return Status(viewer, 1) == row.note; }))
                << WideToAnsi(Status(viewer, 1));
        }
    }
}

TEST_F(ViewerTest, CtrlCCopiesTheSelectedRowsAsTabSeparatedText) {
    HWND viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    HWND list = GetDlgItem(viewer, IDC_VIEWER_LIST);
    SetFocus(list);
    LVITEMW selected{};
    selected.stateMask = selected.state = LVIS_SELECTED;
    for (int row : {0, 5}) SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&selected));
    SendMessageW(viewer, WM_COMMAND, IDM_VIEWER_COPY, 0);
    ASSERT_TRUE(OpenClipboard(viewer));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data) GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(copied,
              L"0:01.20\t1\t2010/01/01 09:00:01\tXk3_pQ9-zR\t184\tわこつ\r\n"
              L"15:00.00\t6\t2010/01/01 09:00:00\tu6\t\t\"最後はWWW\t\"\"引用\"\"\n二行目\"\r\n");
    EXPECT_EQ(Status(viewer, 1), L"2 件をコピーしました");
    // Ctrl+C is the command's key. Held through a posted key, Wine gives the
    // control key back to the X server's state when the focus moves, so the
    // key is read from the table rather than pressed.
    const HACCEL keys = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_VIEWER));
    std::vector<ACCEL> table(static_cast<std::size_t>(CopyAcceleratorTableW(keys, nullptr, 0)));
    CopyAcceleratorTableW(keys, table.data(), static_cast<int>(table.size()));
    bool copyKey = false;
    for (const ACCEL& key : table)
        copyKey = copyKey || (key.key == 'C' && key.cmd == IDM_VIEWER_COPY && (key.fVirt & FCONTROL));
    EXPECT_TRUE(copyKey) << "Ctrl+C copies";
}

TEST_F(ViewerTest, SavesTheGraphAsShownAsAPictureOfItsSize) {
    HWND viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    Search(viewer, L"W", "3 6");
    const std::wstring picture = dir.File(std::wstring(kHangulName) + L"グラフ表.png");
    {
        FileDialogAnswer answer(viewer, picture);
        SendMessageW(viewer, WM_COMMAND, IDM_VIEWER_SAVE_GRAPH, 0);
        EXPECT_TRUE(answer.Answered());
    }
    const Picture saved = ReadPictureFile(picture);
    RECT graph{};
    GetClientRect(GetDlgItem(viewer, IDC_VIEWER_GRAPH), &graph);
    ASSERT_EQ(saved.width, graph.right);
    ASSERT_EQ(saved.height, graph.bottom);
    GraphFigures figures;
    const GraphLayout layout = Layout(viewer, figures);
    auto has = [&](int x, COLORREF colour) {
        const std::uint32_t rgb = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
        for (int y = layout.plot.top; y < layout.plot.bottom; ++y) {
            if (saved.At(x, y) == rgb) return true;
        }
        return false;
    };
    EXPECT_TRUE(has(MomentX(layout, 4500), kGraphSubset)) << "the search's comments, darker";
    EXPECT_TRUE(has(MomentX(layout, 200), kGraphFill));
    EXPECT_FALSE(has(MomentX(layout, 200), kGraphSubset)) << "no match at 2 s";
    EXPECT_FALSE(has(MomentX(layout, 30000), kGraphFill)) << "nothing at 5 min";
    EXPECT_EQ(Status(viewer, 1), L"グラフを保存しました: " + std::wstring(kHangulName) + L"グラフ表.png");
}

TEST_F(ViewerTest, SeveralViewersCloseWithTheMainWindowWhichKeepsTheLastPlace) {
    HWND first = Viewer(kMainAtTheLeft);
    ASSERT_NE(first, nullptr);
    HWND second = OpenViewer(main, AnsiToWide(dir.File("表示ソ.xml")));
    ASSERT_TRUE(second && Loaded(second));
    EXPECT_EQ(WindowLeft(second) - WindowLeft(first), ScaleToScreen(24)) << "one step on, not over the first";
    EXPECT_GE(WindowLeft(first), WindowLeft(main) + WindowWidth(main)) << "beside the main window";
    MoveWindow(second, 40, 50, 700, 500, TRUE);
    Close();
    EXPECT_TRUE(Viewers().empty());
    EXPECT_EQ(IniValue("viewer", "Left") + " " + IniValue("viewer", "Top") + " " + IniValue("viewer", "Width") + " " +
                  IniValue("viewer", "Height"),
              "40 50 700 500");

    // The next one opens there.
    ASSERT_TRUE(Open());
    HWND again = OpenViewer(main, L"");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(WindowLeft(again), 40);
    EXPECT_EQ(WindowWidth(again), 700);
}

// Kometori.exe with a comment file as its argument ("Open with"), named in
// characters that code page 932 does not have.
TEST_F(ViewerTest, OpensFromTheCommandLineBesideTheMainWindowAndEndsWithIt) {
    const std::wstring path = AnsiToWide(dir.Path()) + L"\\" + kWideName;
    ASSERT_TRUE(WriteFileBytes(path, kViewerThread));
    WriteFileBytes(dir.File("Kometori.ini"), std::string(kMainAtTheLeft) + "NotifyVersionUp=0\r\n");
    WindowProgram program(dir.Path(), L"\"" + path + L"\"");
    ASSERT_TRUE(program.Started());
    HWND viewer = nullptr, mainWindow = nullptr;
    ASSERT_TRUE(PumpMessagesUntil(
        [&] {
            viewer = program.Window("CKometoriViewer");
            mainWindow = program.Window("CKometori");
            return viewer && mainWindow && Title(viewer) == std::wstring(L"コメントビューア - ") + kWideName;
        },
        30000))
        << WideToAnsi(viewer ? Title(viewer) : L"no viewer");
    EXPECT_GE(WindowLeft(viewer), WindowLeft(mainWindow) + WindowWidth(mainWindow));
    PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_NE(ReadFileBytes(dir.File("Kometori.ini")).find("[viewer]"), std::string::npos);
    DeleteFileW(path.c_str());
}

}  // namespace
