// Conversions in the main window: files dropped on it (a real WM_DROPFILES
// with the keys held as the user holds them) and conversions that overlap or
// are stopped by closing the window.
#include "window/conversion_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "resources/resource.h"
#include "support/write_guard.h"
#include "testlib/drop_input.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"
#include "window/workers.h"

namespace {

const char kQuestion[] = "XMLファイルの内容をテキストファイルへ抽出しますか？";

std::string Saved(const std::string& textPath) { return "コメント(テキストファイル)を保存しました。\n\n" + textPath; }

// A comment file as the site sends it, with the comments' texts given.
std::string CommentFile(const std::vector<std::string>& texts) {
    std::string file = u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread resultcode=\"0\" "
                       u8"thread=\"1200000009\" last_res=\"" + std::to_string(texts.size()) + "\"/>";
    for (size_t i = 0; i < texts.size(); ++i) {
        file += "<chat thread=\"1200000009\" no=\"" + std::to_string(i + 1) + "\" vpos=\"" +
                std::to_string(i * 150) + "\" date=\"1236384333\" mail=\"184\" user_id=\"u" + std::to_string(i) +
                "\">" + texts[i] + "</chat>";
    }
    return file + "<view_counter video=\"1234\" id=\"sm9\" mylist=\"5\"/></packet>";
}

class ConversionWindowTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override {
        WriteFileBytes(comment, CommentFile({u8"予告編ソース", u8"表示テスト"}));
        ASSERT_TRUE(Open("[main]\r\nURL=sm1;sm2\r\nFormat=%no%:%comment%\r\n"));
        boxes.OnBox([this](HWND) {
            state = {Text(IDC_FETCH), Title(), std::to_string(Enabled(IDC_FETCH)),
                     std::to_string(Enabled(IDC_SAVEPATH)), std::to_string(AcceptsDrops()),
                     std::to_string(MenuEnabled(IDM_CONVERT)), std::to_string(MenuEnabled(IDM_FETCH))};
            ++answered;
        });
    }
    void TearDown() override {
        Close();
        PumpMessagesUntil([] { return !AnyWorkerRunning(); });
    }
    bool Idle() const { return Title() == "Kometori" && Text(IDC_FETCH) == "取得開始" && AcceptsDrops(); }
    // Until that many more message boxes were answered and every worker has
    // ended. Counted apart: the answerer holds its lock while onBox asks this
    // thread for the window's texts.
    bool WaitBoxes(size_t count) {
        const size_t until = answered + count;
        return PumpMessagesUntil([&] { return answered >= until && !AnyWorkerRunning(); });
    }
    void ChooseInMenu(const std::string& path) {
        FileDialogAnswer answer(main, path);
        Command(IDM_CONVERT);
        EXPECT_TRUE(answer.Answered());
    }

    std::string comment = dir.File("予告編ソース表示(sm9).xml");
    std::string expectedText = "1:予告編ソース\r\n2:表示テスト\r\n";
    LineCapture log;
    std::atomic<size_t> answered{0};
    std::vector<std::string> state;  // the window while the last message box was shown
};

struct DropRow {
    const char* name;
    std::vector<const char*> files;  // in the test's folder, made from the comment file
    int answer;
    std::vector<std::string> boxes;  // "saved": the completion message for the first file
    const char* textFile;            // made by the conversion, or null
};

TEST_F(ConversionWindowTest, DropWithoutKeysAsksOrRefuses) {
    const DropRow rows[] = {
        {"comments.Xml, yes", {"comments.Xml"}, IDYES, {kQuestion, "saved"}, "comments.txt"},
        {"0x5C name, yes", {"予告編ソース表示(sm9).xml"}, IDYES, {kQuestion, "saved"}, "予告編ソース表示(sm9).txt"},
        {"comments.XML, no", {"comments.XML"}, IDNO, {kQuestion}, nullptr},
        {"comments.xml, cancel", {"comments.xml"}, IDCANCEL, {kQuestion}, nullptr},
        {"comments.xMl", {"comments.xMl"}, IDOK, {"XMLファイルではありません。"}, nullptr},
        {"two files", {"a.xml", "b.xml"}, IDOK, {"ファイルは１つずつドロップして下さい。"}, nullptr},
    };
    for (const DropRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> paths;
        for (const char* name : row.files) {
            paths.push_back(dir.File(name));
            WriteFileBytes(paths.back(), ReadFileBytes(comment));
        }
        const std::string textPath = row.textFile ? dir.File(row.textFile) : "";
        DeleteFileA(textPath.c_str());
        boxes.Clear();
        boxes.SetButton(row.answer);
        log.Clear();
        PostFileDrop(main, paths);
        ASSERT_TRUE(WaitBoxes(row.boxes.size()));
        PumpPendingMessages();
        std::vector<std::string> expected = row.boxes;
        if (expected.back() == "saved") expected.back() = Saved(textPath);
        EXPECT_EQ(boxes.Texts(), expected);
        EXPECT_TRUE(Idle());
        if (row.textFile) {
            EXPECT_EQ(ReadFileBytes(textPath), expectedText);
            EXPECT_EQ(state, (std::vector<std::string>{"抽出中...", "Kometori - 抽出完了", "0", "0", "0", "1", "1"}));
        } else {
            EXPECT_EQ(ListFolder(dir.Path()).size(), paths.size() + 2) << "nothing made";  // the INI and the comment file
            EXPECT_TRUE(log.Lines().empty()) << "nothing logged";
        }
        for (const std::string& path : paths) {
            if (path != comment) DeleteFileA(path.c_str());
        }
        DeleteFileA(textPath.c_str());
    }
}

struct KeyRow {
    WORD key;
    std::string path;
    const char* part;  // of the address; null: not found
};

TEST_F(ConversionWindowTest, DropWithShiftOrControlTakesTheAddressFromTheName) {
    const std::string prefix = App().settings.site.WatchPrefix();
    const KeyRow rows[] = {
        {VK_SHIFT, comment, "sm9"},
        // Not in the test's folder, whose name holds numbers.
        {VK_CONTROL, "C:\\動画\\[4096] 表計算ソフト講座.mp4", "4096"},
        {VK_SHIFT, "C:\\動画\\ソ1234].mp4", nullptr},
        {VK_CONTROL, "C:\\動画\\title_1234.mp4", nullptr},
    };
    // The window settles first: taking the focus, Wine sets the keys as X has them.
    PumpMessagesUntil([&] { return GetForegroundWindow() == main; }, 3000);
    PumpPendingMessages();
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(row.path);
        SetText(IDC_URL, "sm1;sm2");
        boxes.Clear();
        {
            HeldKey held(row.key);
            ASSERT_TRUE(PumpMessagesUntil([&] { return (GetAsyncKeyState(row.key) & 0x8000) != 0; }));
            PostFileDrop(main, {row.path});
            if (row.part) {
                ASSERT_TRUE(PumpMessagesUntil([&] { return Text(IDC_URL) != "sm1;sm2"; }));
            } else {
                ASSERT_TRUE(WaitBoxes(1));
            }
        }
        PumpPendingMessages();
        if (row.part) {
            EXPECT_EQ(Text(IDC_URL), prefix + row.part) << "the address box's text replaced";
            EXPECT_TRUE(boxes.Texts().empty());
        } else {
            EXPECT_EQ(Text(IDC_URL), "sm1;sm2");
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"URLの抽出に失敗しました。\nファイル名内に(sm*****)など"
                                                             "の動画名が含まれているか確認して下さい。"});
        }
    }
    PumpMessagesUntil([] { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) == 0; });
}

// Each conversion reads its own request: the second one, started while the
// first waits, changes nothing of what the first converts and shows.
TEST_F(ConversionWindowTest, OverlappingConversionsKeepTheirOwnFiles) {
    const std::string other = dir.File("表計算ソフト講座(sm4000).xml");
    WriteFileBytes(other, CommentFile({u8"ソース", u8"表", u8"予"}));
    {
        // Holding the file lock keeps both exports waiting.
        std::unique_lock<std::recursive_mutex> writing(FileWriteMutex());
        ChooseInMenu(comment);
        ASSERT_TRUE(PumpMessagesUntil([&] { return Text(IDC_FETCH) == "抽出中..."; }));
        EXPECT_TRUE(MenuEnabled(IDM_CONVERT)) << "the menu stays";
        ChooseInMenu(other);
        PumpPendingMessages();
    }
    ASSERT_TRUE(WaitBoxes(2));
    std::vector<std::string> texts = boxes.Texts();
    std::sort(texts.begin(), texts.end());
    std::vector<std::string> expected = {Saved(dir.File("予告編ソース表示(sm9).txt")),
                                         Saved(dir.File("表計算ソフト講座(sm4000).txt"))};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(ReadFileBytes(dir.File("予告編ソース表示(sm9).txt")), expectedText);
    EXPECT_EQ(ReadFileBytes(dir.File("表計算ソフト講座(sm4000).txt")), "1:ソース\r\n2:表\r\n3:予\r\n");
    EXPECT_TRUE(Idle());
}

TEST_F(ConversionWindowTest, ClosingDuringAConversionAndAnsweringNoStopsIt) {
    boxes.SetButton(IDNO);
    {
        std::unique_lock<std::recursive_mutex> writing(FileWriteMutex());
        ChooseInMenu(comment);
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
}

}  // namespace
