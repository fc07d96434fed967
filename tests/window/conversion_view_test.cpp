// Conversions in the main window: files dropped on it (a real WM_DROPFILES,
// the keys held as the user holds them), overlapping conversions, closing.
#include "window/conversion_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <tuple>

#include "resources/resource.h"
#include "support/codepage.h"
#include "support/write_guard.h"
#include "testlib/drop_input.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"
#include "window/workers.h"

namespace {

std::string Saved(const std::string& textPath) { return "コメント(テキストファイル)を保存しました。\n\n" + textPath; }

// A comment file as the site sends it.
std::string CommentFile(const char* first, const char* second) {
    return std::string(
               u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1200000009\"/>"
               u8"<chat thread=\"1200000009\" no=\"1\" vpos=\"150\" date=\"1236384333\" mail=\"184\">") +
           first + u8"</chat><chat thread=\"1200000009\" no=\"2\" vpos=\"300\" date=\"1236384340\">" + second +
           u8"</chat></packet>";
}

class ConversionWindowTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override {
        WriteFileBytes(comment, CommentFile(u8"予告編ソース", u8"表示テスト"));
        ASSERT_TRUE(Open("[main]\r\nURL=sm1;sm2\r\nFormat=%no%:%comment%\r\n"));
        boxes.OnBox([this](HWND) {
            state = {Text(IDC_FETCH), Title(),
                     std::to_string(Enabled(IDC_FETCH)) + std::to_string(AcceptsDrops()) +
                         std::to_string(MenuEnabled(IDM_CONVERT))};
            ++answered;
        });
    }
    void TearDown() override {
        Close();
        PumpMessagesUntil([] { return !AnyWorkerRunning(); });
    }
    bool Idle() const { return Title() == "Kometori" && Text(IDC_FETCH) == "取得開始" && AcceptsDrops(); }
    // Counted apart from boxes.Texts(): the answerer holds its lock while
    // onBox asks this thread for the window's texts.
    bool WaitBoxes(size_t count) {
        const size_t until = answered + count;
        return PumpMessagesUntil([&] { return answered >= until && !AnyWorkerRunning(); });
    }
    void ChooseInMenu(const std::wstring& path) {
        FileDialogAnswer answer(main, path);
        Command(IDM_CONVERT);
        EXPECT_TRUE(answer.Answered());
    }

    std::string comment = dir.File("予告編ソース表示(sm9).xml");
    std::string expectedText = "1:予告編ソース\r\n2:表示テスト\r\n";
    LineCapture log;
    std::atomic<size_t> answered{0};
    std::vector<std::string> state;  // the window while the last message box was up
};

struct DropRow {
    std::vector<std::wstring> files;  // made in the test's folder
    int answer;
    std::vector<std::string> boxes;  // "saved": the completion message
    std::wstring textFile;           // made by the conversion, or empty
};

TEST_F(ConversionWindowTest, DropWithoutKeysAsksOrRefuses) {
    const char kQuestion[] = "XMLファイルの内容をテキストファイルへ抽出しますか？";
    const std::wstring hangul = std::wstring(kEmojiName) + L" " + kHangulName;  // as the shell drops it, in UTF-16
    const DropRow rows[] = {
        {{L"comments.Xml"}, IDYES, {kQuestion, "saved"}, L"comments.txt"},
        {{L"予告編ソース表示(sm9).xml"}, IDYES, {kQuestion, "saved"}, L"予告編ソース表示(sm9).txt"},
        {{hangul + L".xml"}, IDYES, {kQuestion, "saved"}, hangul + L".txt"},
        {{L"comments.XML"}, IDNO, {kQuestion}, L""},
        {{L"comments.xml"}, IDCANCEL, {kQuestion}, L""},
        {{L"comments.xMl"}, IDOK, {"XMLファイルではありません。"}, L""},
        {{L"a.xml", L"b.xml"}, IDOK, {"ファイルは１つずつドロップして下さい。"}, L""},
    };
    for (const DropRow& row : rows) {
        SCOPED_TRACE(WideToUtf8(row.files[0]));
        std::vector<std::wstring> paths;
        for (const std::wstring& name : row.files) {
            paths.push_back(dir.File(name));
            if (paths.back() != AnsiToWide(comment)) WriteFileBytes(paths.back(), ReadFileBytes(comment));
        }
        const std::vector<std::string> before = ListFolder(dir.Path());
        boxes.Clear();
        boxes.SetButton(row.answer);
        log.Clear();
        PostFileDrop(main, paths);
        ASSERT_TRUE(WaitBoxes(row.boxes.size()));
        PumpPendingMessages();
        std::vector<std::string> expected = row.boxes;
        if (!row.textFile.empty()) expected.back() = Saved(ShownPath(dir.File(row.textFile)));
        EXPECT_EQ(boxes.Texts(), expected);
        EXPECT_TRUE(Idle());
        if (!row.textFile.empty()) {
            EXPECT_EQ(ReadFileBytes(dir.File(row.textFile)), expectedText);
            EXPECT_EQ(state, (std::vector<std::string>{"抽出中...", "Kometori - 抽出完了", "001"}));
            DeleteFileW(dir.File(row.textFile).c_str());
        } else {
            EXPECT_EQ(ListFolder(dir.Path()), before) << "nothing made";
            EXPECT_TRUE(log.Lines().empty()) << "nothing logged";
        }
        for (const std::wstring& path : paths) {
            if (path != AnsiToWide(comment)) DeleteFileW(path.c_str());
        }
    }
}

TEST_F(ConversionWindowTest, DropWithShiftOrControlTakesTheAddressFromTheName) {
    const std::string prefix = App().settings.site.WatchPrefix();
    const std::tuple<WORD, std::string, const char*> rows[] = {
        {VK_SHIFT, comment, "sm9"},
        // Not in the test's folder, whose name holds numbers.
        {VK_CONTROL, "C:\\動画\\[4096] 表計算ソフト講座.mp4", "4096"},
        {VK_SHIFT, "C:\\動画\\ソ1234].mp4", nullptr},
        {VK_CONTROL, "C:\\動画\\title_1234.mp4", nullptr},
    };
    // The window settles first: taking the focus, Wine sets the keys as X has them.
    PumpMessagesUntil([&] { return GetForegroundWindow() == main; }, 3000);
    for (const auto& [key, path, part] : rows) {
        SCOPED_TRACE(path);
        SetText(IDC_URL, "sm1;sm2");
        boxes.Clear();
        {
            HeldKey held(key);
            ASSERT_TRUE(PumpMessagesUntil([&] { return (GetAsyncKeyState(key) & 0x8000) != 0; }));
            PostFileDrop(main, {path});
            ASSERT_TRUE(part ? PumpMessagesUntil([&] { return Text(IDC_URL) != "sm1;sm2"; }) : WaitBoxes(1));
        }
        EXPECT_EQ(Text(IDC_URL), part ? prefix + part : "sm1;sm2") << "the whole text replaced";
        EXPECT_EQ(boxes.Texts(), part ? std::vector<std::string>{}
                                      : std::vector<std::string>{"URLの抽出に失敗しました。\nファイル名内に(sm*****)"
                                                                 "などの動画名が含まれているか確認して下さい。"});
    }
}

// Each conversion reads its own request: the second one, started while the
// first waits, changes nothing of what the first converts and shows.
TEST_F(ConversionWindowTest, OverlappingConversionsKeepTheirOwnFiles) {
    const std::string other = dir.File("表計算ソフト講座(sm4000).xml");
    WriteFileBytes(other, CommentFile(u8"ソース", u8"表"));
    {
        // Holding the file lock keeps both exports waiting.
        std::unique_lock<std::recursive_mutex> writing(FileWriteMutex());
        ChooseInMenu(AnsiToWide(comment));
        ASSERT_TRUE(PumpMessagesUntil([&] { return Text(IDC_FETCH) == "抽出中..."; }));
        ChooseInMenu(AnsiToWide(other));
        PumpPendingMessages();
    }
    ASSERT_TRUE(WaitBoxes(2));
    std::vector<std::string> texts = boxes.Texts();
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{Saved(dir.File("表計算ソフト講座(sm4000).txt")),  // sorted
                                               Saved(dir.File("予告編ソース表示(sm9).txt"))}));
    EXPECT_EQ(ReadFileBytes(dir.File("予告編ソース表示(sm9).txt")), expectedText);
    EXPECT_EQ(ReadFileBytes(dir.File("表計算ソフト講座(sm4000).txt")), "1:ソース\r\n2:表\r\n");
    EXPECT_TRUE(Idle());
}

// Chosen in the open-file dialog in a folder the code page cannot spell: the
// text file is made beside it.
TEST_F(ConversionWindowTest, ChosenFileInAFolderOfOtherScriptsConvertsBesideIt) {
    const std::wstring folder = dir.File(kAccentedHangul);
    ASSERT_TRUE(MakeFolder(folder));
    const std::wstring chosen = folder + L"\\" + kEmojiName + L".xml";
    WriteFileBytes(chosen, ReadFileBytes(comment));
    ChooseInMenu(chosen);
    ASSERT_TRUE(WaitBoxes(1));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{Saved(ShownPath(folder + L"\\" + kEmojiName + L".txt"))});
    EXPECT_EQ(ReadFileBytes(folder + L"\\" + kEmojiName + L".txt"), expectedText);
}

TEST_F(ConversionWindowTest, ClosingDuringAConversionAndAnsweringNoStopsIt) {
    boxes.SetButton(IDNO);
    {
        std::unique_lock<std::recursive_mutex> writing(FileWriteMutex());
        ChooseInMenu(AnsiToWide(comment));
        ASSERT_TRUE(PumpMessagesUntil([&] { return Text(IDC_FETCH) == "抽出中..."; }));
        SendMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(Idle()) << "idle at once";
    }
    ASSERT_TRUE(PumpMessagesUntil([] { return !AnyWorkerRunning(); }));
    PumpPendingMessages();
    ASSERT_EQ(boxes.Texts().size(), 1u) << "the outcome is not shown";
    EXPECT_EQ(boxes.Texts()[0].rfind("現在処理中です。", 0), 0u);
    EXPECT_TRUE(IsWindow(main));
    const auto lines = log.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "処理を途中停止しました"), 1);
    EXPECT_EQ(ReadFileBytes(dir.File("予告編ソース表示(sm9).txt")), expectedText) << "the file is finished";
    EXPECT_EQ(lines.back(), Saved(dir.File("予告編ソース表示(sm9).txt"))) << "and said so after the stop line";
}

}  // namespace
