#include "window/info_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/text.h"
#include "support/window.h"
#include "testlib/messages.h"

namespace {

std::string ClassName(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

RECT ClientRectOf(HWND child) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class InfoWindowTest : public ::testing::Test {
protected:
    void TearDown() override { CBaseDebug::SetCommandTarget(nullptr); }

    std::string BoxText() { return WindowText(page.TextBox()); }
    // Waits until the text box shows exactly the text.
    bool BoxShows(const std::string& text) {
        return PumpMessagesUntil([&] { return BoxText() == text; });
    }

    CBaseDebug page{"ログ"};
};

TEST_F(InfoWindowTest, MakesHiddenWindowWithOneLogPage) {
    HWND window = CBaseDebug::Window();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(InfoLog.Window(), window);
    EXPECT_EQ(ClassName(window), "CBaseDebug");
    EXPECT_EQ(WindowText(window), "情報ウィンドウ");
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(::GetPropA(window, "CBaseDebug"), &page);
    EXPECT_EQ(WindowWidth(window), 240);
    EXPECT_EQ(WindowHeight(window), 400);

    HWND tabs = ::GetDlgItem(window, 16);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(ClassName(tabs), "SysTabControl32");
    ASSERT_EQ(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 1);
    char caption[32] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = sizeof caption;
    ::SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(caption, "ログ");

    HWND box = page.TextBox();
    EXPECT_EQ(::GetDlgItem(window, 1), box);
    EXPECT_EQ(ClassName(box), "Edit");
    LONG style = ::GetWindowLongA(box, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & WS_VISIBLE) << "the selected page is shown";

    LOGFONTA font{};
    HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(::SendMessageA(box, WM_GETFONT, 0, 0));
    ASSERT_NE(handle, nullptr);
    ::GetObjectA(handle, sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "Tahoma");
    EXPECT_EQ(font.lfHeight, 14);
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(::SendMessageA(tabs, WM_GETFONT, 0, 0)), handle);
}

TEST_F(InfoWindowTest, NewestLineOnTop) {
    InfoLog << "A" << EndLine;
    InfoLog << "B" << EndLine;
    EXPECT_TRUE(BoxShows("B\r\nA\r\n")) << BoxText();
    EXPECT_EQ(page.ShownText(), "B\r\nA\r\n");
}

TEST_F(InfoWindowTest, LineEndTextFinishesLineRawLineEndStaysInside) {
    LineCapture capture;
    InfoLog << "first"
            << "\r\n";
    InfoLog << "second"
            << "\n";
    InfoLog.AppendRaw("two").AppendRaw("\r\n") << "parts" << EndLine;
    // Only a piece that is nothing but the line end finishes the line.
    InfoLog << "x\r\n"
            << "y" << EndLine;
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"first", "second", "two\r\nparts", "x\r\ny"}));
    EXPECT_TRUE(BoxShows("x\r\ny\r\ntwo\r\nparts\r\nsecond\r\nfirst\r\n")) << BoxText();
}

// The line that passes the limit is kept on top of the notice: in a long
// automatic session it is the batch failure that brought the window forward.
TEST_F(InfoWindowTest, PassingTheLimitKeepsTheNewLineAboveTheNotice) {
    const std::string piece(398, 'x');
    int written = 0;
    // Fill to just below the limit; each line takes 400 characters.
    while (page.ShownText().size() + 400 <= kInfoTextLimit) InfoLog << piece << ++written % 10 << EndLine;
    ASSERT_GT(page.ShownText().size(), 32000u);
    EXPECT_TRUE(BoxShows(page.ShownText())) << "the box holds the long text whole";

    const std::string failure = std::string("◆") + piece;
    InfoLog << failure << EndLine;
    EXPECT_TRUE(BoxShows(failure + "\r\n" + kBufferClearedNotice)) << BoxText().size();
    InfoLog << "next" << EndLine;
    EXPECT_TRUE(BoxShows("next\r\n" + failure + "\r\n" + kBufferClearedNotice)) << BoxText();
}

TEST_F(InfoWindowTest, ResizingLaysOutTabStripAndTextBox) {
    HWND window = CBaseDebug::Window();
    RECT client{}, outer{};
    ::GetClientRect(window, &client);
    ::GetWindowRect(window, &outer);
    int frameWidth = (outer.right - outer.left) - client.right;
    int frameHeight = (outer.bottom - outer.top) - client.bottom;
    ResizeWindow(window, 500 + frameWidth, 300 + frameHeight);
    PumpPendingMessages();
    ::GetClientRect(window, &client);
    ASSERT_EQ(client.right, 500);
    ASSERT_EQ(client.bottom, 300);

    RECT tabs = ClientRectOf(::GetDlgItem(window, 16));
    EXPECT_EQ(tabs.left, 0);
    EXPECT_EQ(tabs.top, 0);
    EXPECT_EQ(tabs.right - tabs.left, 500);
    EXPECT_EQ(tabs.bottom - tabs.top, 26);
    RECT box = ClientRectOf(page.TextBox());
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 26);
    EXPECT_EQ(box.right - box.left, 500);
    EXPECT_EQ(box.bottom - box.top, 274);
}

// Stands in for the main window: records the commands it receives and, when
// asked to, hides the info window as the main window's command does.
struct CommandRecorder {
    static std::vector<WPARAM> commands;
    static bool hideOnCommand;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COMMAND) {
            commands.push_back(wParam);
            if (hideOnCommand && LOWORD(wParam) == IDM_INFO_WINDOW) ::ShowWindow(CBaseDebug::Window(), SW_HIDE);
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    CommandRecorder() {
        commands.clear();
        hideOnCommand = false;
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "InfoWindowTestTarget";
        ::RegisterClassA(&wc);
        window = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~CommandRecorder() { ::DestroyWindow(window); }

    HWND window = nullptr;
};
std::vector<WPARAM> CommandRecorder::commands;
bool CommandRecorder::hideOnCommand = false;

TEST_F(InfoWindowTest, CloseBoxSendsTheInfoWindowCommandAndNeverDestroys) {
    CommandRecorder target;
    ASSERT_NE(target.window, nullptr);
    CBaseDebug::SetCommandTarget(target.window);
    HWND window = CBaseDebug::Window();
    ::ShowWindow(window, SW_SHOW);

    // Hiding is the command handler's business, not the close box's.
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(CommandRecorder::commands, std::vector<WPARAM>{IDM_INFO_WINDOW});
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(::IsWindowVisible(window));

    CommandRecorder::hideOnCommand = true;
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(CommandRecorder::commands.size(), 2u);
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_FALSE(::IsWindowVisible(window));
}

TEST_F(InfoWindowTest, CloseBoxWithoutMainWindowHides) {
    HWND window = CBaseDebug::Window();
    ::ShowWindow(window, SW_SHOW);
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_FALSE(::IsWindowVisible(window));
}

TEST_F(InfoWindowTest, TabSelectionShowsThatPage) {
    HWND window = CBaseDebug::Window();
    HWND tabs = ::GetDlgItem(window, 16);
    {
        CBaseDebug second("second");
        EXPECT_EQ(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_TRUE(::GetWindowLongA(page.TextBox(), GWL_STYLE) & WS_VISIBLE);
        EXPECT_FALSE(::GetWindowLongA(second.TextBox(), GWL_STYLE) & WS_VISIBLE);

        ::SendMessageA(tabs, TCM_SETCURSEL, 1, 0);
        NMHDR change{tabs, 16, static_cast<UINT>(TCN_SELCHANGE)};
        ::SendMessageA(window, WM_NOTIFY, 16, reinterpret_cast<LPARAM>(&change));
        EXPECT_TRUE(::GetWindowLongA(second.TextBox(), GWL_STYLE) & WS_VISIBLE);
        EXPECT_FALSE(::GetWindowLongA(page.TextBox(), GWL_STYLE) & WS_VISIBLE);

        // Every page gets every line.
        InfoLog << "both" << EndLine;
        EXPECT_EQ(second.ShownText(), "both\r\n");
    }
    EXPECT_EQ(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_TRUE(::GetWindowLongA(page.TextBox(), GWL_STYLE) & WS_VISIBLE) << "the remaining page is shown again";
}

TEST(InfoWindowLifetime, LastPageTakesTheWindowWithoutEndingTheProgram) {
    HWND window;
    {
        CBaseDebug page("ログ");
        window = CBaseDebug::Window();
        ASSERT_TRUE(::IsWindow(window));
    }
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(CBaseDebug::Window(), nullptr);
    EXPECT_EQ(InfoLog.Window(), nullptr);
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit message posted";

    // A new page makes the window again.
    CBaseDebug again("ログ");
    EXPECT_TRUE(::IsWindow(CBaseDebug::Window()));
    InfoLog << "after" << EndLine;
    EXPECT_EQ(WindowText(again.TextBox()), "after\r\n");
}

// Lines from several threads at once, the main thread writing and pumping
// too: every line arrives whole, once, and each thread's lines in order.
TEST_F(InfoWindowTest, ConcurrentWritersKeepLinesWhole) {
    constexpr int kWorkers = 4;
    constexpr int kLinesEach = 500;
    LineCapture capture;
    std::atomic<int> finished{0};
    std::vector<std::unique_ptr<TestThread>> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.push_back(std::make_unique<TestThread>([w, &finished] {
            for (int i = 0; i < kLinesEach; ++i) {
                InfoLog << "worker" << w << " line " << i << " [" << std::string(w + 1, '=') << "] " << i * 7
                        << EndLine;
            }
            ++finished;
        }));
    }
    int mainLines = 0;
    bool done = PumpMessagesUntil(
        [&] {
            if (mainLines < 300) InfoLog << "main line " << mainLines++ << " end" << EndLine;
            return finished == kWorkers && mainLines == 300;
        },
        60000);
    ASSERT_TRUE(done) << "workers finished: " << finished;

    std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kWorkers * kLinesEach + 300));
    std::set<std::string> expected;
    for (int w = 0; w < kWorkers; ++w)
        for (int i = 0; i < kLinesEach; ++i)
            expected.insert("worker" + std::to_string(w) + " line " + std::to_string(i) + " [" +
                            std::string(w + 1, '=') + "] " + std::to_string(i * 7));
    for (int i = 0; i < 300; ++i) expected.insert("main line " + std::to_string(i) + " end");
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);

    std::map<std::string, int> lastIndex;
    for (const std::string& line : lines) {
        std::string who = line.substr(0, line.find(" line "));
        int index = std::stoi(Between(line, " line ", " "));
        auto found = lastIndex.find(who);
        if (found != lastIndex.end()) {
            EXPECT_EQ(index, found->second + 1) << line;
        }
        lastIndex[who] = index;
    }

    // The page shows the newest lines in the order they were written, above
    // the notice when the limit was passed meanwhile.
    ASSERT_TRUE(BoxShows(page.ShownText()));
    std::vector<std::string> shown = Split(page.ShownText(), "\r\n");
    if (!shown.empty() && shown.back() == kBufferClearedNotice) shown.pop_back();
    ASSERT_FALSE(shown.empty());
    ASSERT_LE(shown.size(), lines.size());
    EXPECT_TRUE(std::equal(shown.rbegin(), shown.rend(), lines.end() - shown.size()));
}

TEST_F(InfoWindowTest, WorkerFinishesWhileMainThreadDoesNotPump) {
    TestThread worker([] {
        for (int i = 0; i < 200; ++i) InfoLog << "unpumped " << i << EndLine;
    });
    EXPECT_TRUE(worker.Wait(10000)) << "the worker waited for the main thread";
    EXPECT_TRUE(BoxShows(page.ShownText()));
    EXPECT_EQ(Split(BoxText(), "\r\n").front(), "unpumped 199");
}

std::atomic<bool> g_workerDone{false};
DWORD g_modalDeadline = 0;
const char kModalCaption[] = "info window modal test";

void CALLBACK CloseModalWhenDone(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_workerDone && ::GetTickCount() < g_modalDeadline) return;
    if (HWND box = ::FindWindowA(nullptr, kModalCaption)) ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(InfoWindowTest, WorkerFinishesWhileMainThreadSitsInModalDialog) {
    g_workerDone = false;
    g_modalDeadline = ::GetTickCount() + 15000;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, CloseModalWhenDone);
    TestThread worker([] {
        for (int i = 0; i < 300; ++i) InfoLog << "during dialog " << i << " of " << 300 << EndLine;
        g_workerDone = true;
    });
    ::MessageBoxA(nullptr, "waiting for the worker", kModalCaption, MB_OK);
    ::KillTimer(nullptr, timer);

    EXPECT_TRUE(g_workerDone) << "the dialog was closed by the deadline";
    EXPECT_TRUE(worker.Wait(5000));
    EXPECT_TRUE(BoxShows(page.ShownText()));
    EXPECT_EQ(Split(BoxText(), "\r\n").front(), "during dialog 299 of 300");
}

}  // namespace

TEST(PrependLine, NewestLineOnTop) {
    EXPECT_EQ(PrependLine("", "A"), "A\r\n");
    EXPECT_EQ(PrependLine(PrependLine("", "A"), "B"), "B\r\nA\r\n");
    EXPECT_EQ(PrependLine("", ""), "\r\n");
}

TEST(PrependLine, PassingTheLimitClearsTheOlderLinesOnly) {
    const std::string full(kInfoTextLimit - 3, 'x');
    const std::string notice = kBufferClearedNotice;
    // Exactly at the limit is kept.
    EXPECT_EQ(PrependLine(full, "y").size(), kInfoTextLimit);
    EXPECT_EQ(PrependLine(full, "yz"), "yz\r\n" + notice);
    EXPECT_EQ(PrependLine(notice, "next"), "next\r\n" + notice);
    // Counted in bytes: "情" is two bytes in code page 932.
    EXPECT_EQ(PrependLine(full, "情"), "情\r\n" + notice);
}
