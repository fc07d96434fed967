// The data export from the file menu and the NG rules in every export of the
// window, each compared with what kometori-cli writes from the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "resources/resource.h"
#include "support/codepage.h"
#include "testlib/drop_input.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"
#include "testlib/process.h"
#include "window/workers.h"

namespace {

// Invented comments: two survive any rule below, the others each fall to one kind.
const char kComments[] =
    u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1302222473\" last_res=\"7\"/>"
    u8"<chat thread=\"1302222473\" no=\"1\" vpos=\"150\" date=\"1302222480\" user_id=\"aZ9kQ\">予告編ソース表示</chat>"
    u8"<chat thread=\"1302222473\" no=\"2\" vpos=\"300\" date=\"1302222490\" user_id=\"bB1\">www</chat>"
    u8"<chat thread=\"1302222473\" no=\"3\" vpos=\"420\" date=\"1302222500\" user_id=\"cC2\">８８８8</chat>"
    u8"<chat thread=\"1302222473\" no=\"4\" vpos=\"500\" date=\"1302222510\" user_id=\"Xk3_pQ9-zR\">表示テスト</chat>"
    u8"<chat thread=\"1302222473\" no=\"5\" vpos=\"610\" date=\"1302222520\" mail=\"shita 184\" "
    u8"user_id=\"dD3\">下から</chat>"
    u8"<chat thread=\"1302222473\" no=\"6\" vpos=\"700\" date=\"1302222530\" mail=\"red big\" premium=\"1\" "
    u8"user_id=\"eE4\">\xED\x95\x9C\xEA\xB8\x80 \xF0\x9F\x98\xBA 表</chat>"
    u8"<chat thread=\"1302222473\" no=\"7\" vpos=\"800\" date=\"1302222540\" user_id=\"fF5\">ソース, \"引用\"</chat>"
    u8"</packet>";

const char kRules[] = u8"# 荒らし\r\nｗ\r\nre:^[8８]+$\r\nuser:Xk3_pQ9-zR\r\nmail:shita\r\n";

// "NG: N 件を除外しました" and the rules under it; the rule file's line names
// it as each program was given it.
bool IsCountLine(const std::string& line) { return line.rfind("NG: ", 0) == 0 || line.rfind("  ", 0) == 0; }

class WindowExportsTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override {
        WriteFileBytes(comment, kComments);
        WriteFileBytes(dir.File(L"Kometori-ng.txt"), kRules);
        boxes.OnBox([this](HWND) {
            if (state.empty()) state = {Title(), Text(IDC_FETCH)};
            ++answered;
        });
    }
    // The open dialog gets the comment file, then a save dialog the rest.
    void ChooseInMenu(WORD item, std::vector<FileAnswer> more = {}) {
        more.insert(more.begin(), FileAnswer{comment});
        FileDialogAnswer answer(main, more);
        Command(item);
        EXPECT_TRUE(answer.Answered());
    }
    // Counted apart from boxes.Texts(): the answerer holds its lock while
    // onBox asks this thread for the window's texts.
    bool WaitBoxes(std::size_t count) {
        const std::size_t until = answered + count;
        return PumpMessagesUntil([&] { return answered >= until && !AnyWorkerRunning(); }, 30000);
    }
    ProgramRun Console(const std::wstring& arguments) {
        return RunProgram(BuildProgram("kometori-cli.exe"), arguments + L" \"" + comment + L"\"", dir.WidePath());
    }
    std::vector<std::string> NgLines() {
        std::vector<std::string> lines;
        for (const std::string& line : log.Lines()) {
            if (IsCountLine(line)) lines.push_back(line);
        }
        return lines;
    }

    std::wstring comment = dir.File(L"予告編ソース表示(sm9).xml");
    LineCapture log;
    std::atomic<std::size_t> answered{0};
    std::vector<std::string> state;  // the window while the first message box was up
};

struct DataRow {
    int type;             // in the save dialog: 1 JSON Lines, 2 CSV
    const wchar_t* name;  // typed there
    const wchar_t* file;  // written
    const char* format;
};

TEST_F(WindowExportsTest, DataExportWritesTheFormatOfTheTypeOrTheName) {
    ASSERT_TRUE(Open());
    const DataRow rows[] = {
        {1, L"出力データ\U0001F63A", L"出力データ\U0001F63A.jsonl", "jsonl"},
        {2, L"출력 データ", L"출력 データ.csv", "csv"},
        {1, L"表.csv", L"表.csv", "csv"},  // the name's own extension wins
    };
    for (const DataRow& row : rows) {
        SCOPED_TRACE(row.format);
        boxes.Clear();
        log.Clear();
        const std::wstring made = dir.File(row.file);
        ChooseInMenu(IDM_EXPORT_DATA, {{dir.File(row.name), row.type}});
        ASSERT_TRUE(WaitBoxes(1));
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"コメント(データ)を保存しました。\n\n" + ShownPath(made)});
        const std::vector<std::string> lines = log.Lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("Format = ") + row.format), lines.end());
        EXPECT_TRUE(FileExists(made + L".manifest.json"));

        const std::wstring console = dir.File(L"console." + AnsiToWide(row.format));
        ASSERT_EQ(Console(L"export -y --no-ng -o \"" + console + L"\"").exitCode, 0u);
        EXPECT_EQ(ReadFileBytes(made), ReadFileBytes(console)) << "as the console writes it";
    }
    EXPECT_EQ(ReadFileBytes(dir.File(L"表.csv")).rfind(u8"\xEF\xBB\xBFthread,no,vpos_ms,", 0), 0u);
    EXPECT_EQ(ReadFileBytes(dir.File(L"出力データ\U0001F63A.jsonl")).rfind("{\"thread\":\"1302222473\",\"no\":1,", 0),
              0u);
    EXPECT_EQ(state, (std::vector<std::string>{"Kometori - 抽出完了", "抽出中..."})) << "the conversion's states";
    EXPECT_EQ(Title(), "Kometori");
}

// With [ng] Apply on, the text export (dropped), the subtitle and the data
// export (menu) leave out what kometori-cli leaves out with the same rule file,
// and log the same counts.
TEST_F(WindowExportsTest, RulesOnHideInEveryExportWhatTheConsoleHides) {
    ASSERT_TRUE(Open("[main]\r\nFormat=%no%:%comment%\r\n[ng]\r\nApply=1\r\n"));
    boxes.SetButton(IDYES);  // the drop's question, then each outcome
    PostFileDrop(main, {comment});
    ASSERT_TRUE(WaitBoxes(2));
    ChooseInMenu(IDM_CONVERT_SUBTITLES);
    ASSERT_TRUE(WaitBoxes(1));
    const std::wstring base = comment.substr(0, comment.size() - 4);
    ChooseInMenu(IDM_EXPORT_DATA, {{base + L".jsonl", 1}});
    ASSERT_TRUE(WaitBoxes(1));
    const std::vector<std::string> windowLines = NgLines();
    std::vector<std::string> windowFiles, consoleLines;
    for (const wchar_t* extension : {L".txt", L".ass", L".jsonl"})
        windowFiles.push_back(ReadFileBytes(base + extension));

    // The console over the same names.
    for (const wchar_t* command : {L"convert", L"subtitles", L"export"}) {
        const ProgramRun run = Console(std::wstring(command) + L" -y --ng Kometori-ng.txt");
        ASSERT_EQ(run.exitCode, 0u) << run.output;
        for (const std::string& line : OutputLines(run.output)) {
            if (IsCountLine(line)) consoleLines.push_back(line);
        }
    }
    EXPECT_EQ(windowFiles[0], ReadFileBytes(base + L".txt"));
    EXPECT_EQ(windowFiles[1], ReadFileBytes(base + L".ass"));
    EXPECT_EQ(windowFiles[2], ReadFileBytes(base + L".jsonl"));
    EXPECT_EQ(windowLines, consoleLines);
    EXPECT_EQ(windowFiles[0].find("2:"), std::string::npos);
    EXPECT_EQ(windowFiles[0].rfind("1:予告編ソース表示\r\n6:", 0), 0u) << "survivors only";
    EXPECT_EQ(windowLines.size(), 3 * 5u) << "NG: 4 件 and four rules, at each export";
    EXPECT_EQ(windowLines[0], "NG: 4 件を除外しました");
    const std::vector<std::string> all = log.Lines();
    EXPECT_EQ(std::count(all.begin(), all.end(), "NG = " + ShownPath(dir.File(L"Kometori-ng.txt"))), 3);
}

struct BadRulesRow {
    WORD item;
    const char* failure;  // the message box
};

// A rule file that does not parse stops each export before it writes anything.
TEST_F(WindowExportsTest, RulesThatDoNotLoadStopEveryExport) {
    WriteFileBytes(dir.File(L"Kometori-ng.txt"), u8"# 下コメ\nfoo:bar\n");
    ASSERT_TRUE(Open("[ng]\r\nApply=1\r\n"));
    const BadRulesRow rows[] = {
        {IDM_CONVERT, "テキスト変換処理中にエラーが発生しました。"},
        {IDM_CONVERT_SUBTITLES, "字幕ファイル変換処理中にエラーが発生しました。"},
        {IDM_EXPORT_DATA, "データ書き出し処理中にエラーが発生しました。"},
    };
    const std::vector<std::wstring> before = ListFolder(dir.WidePath());
    for (const BadRulesRow& row : rows) {
        SCOPED_TRACE(row.failure);
        boxes.Clear();
        log.Clear();
        std::vector<FileAnswer> save;
        if (row.item == IDM_EXPORT_DATA) save.push_back({dir.File(L"データ"), 2});
        ChooseInMenu(row.item, save);
        ASSERT_TRUE(WaitBoxes(1));
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{row.failure});
        const std::vector<std::string> lines = log.Lines();
        const auto failed = std::find(lines.begin(), lines.end(), "◆NGルールの読み込みに失敗しました");
        ASSERT_NE(failed, lines.end());
        ASSERT_NE(failed + 1, lines.end());
        EXPECT_EQ(failed[1], "2 行目: foo:bar (使える種類は re: user: mail: time: date: です)");
        EXPECT_EQ(ListFolder(dir.WidePath()), before) << "nothing written";
    }
}

}  // namespace
