// The NG rules' switches and kometori-cli export, run as their own processes.
#include <gtest/gtest.h>

#include <algorithm>

#include "testlib/process.h"
#include "testlib/temp_dir.h"

namespace {

class CliNgTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(comment,
                       u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
                       u8"<chat no=\"1\" vpos=\"100\">わこつ</chat>"
                       u8"<chat no=\"2\" vpos=\"120\" mail=\"shita\">ｗｗｗ</chat>"
                       u8"<chat no=\"3\" vpos=\"140\">予告</chat></packet>");
        WriteFileBytes(dir.File("hide-w.txt"), u8"WWW\n");
        WriteFileBytes(dir.File("hide-yo.txt"), u8"\xEF\xBB\xBF予\r\n");
        WriteFileBytes(dir.File("bad.txt"), u8"# 下コメ\nfoo:bar\n");
    }
    ProgramRun Run(const std::string& arguments) {
        ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), arguments, dir.Path());
        lines = OutputLines(run.output);
        return run;
    }
    bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

    TempDir dir;
    std::string comment = dir.File("表示.xml");
    std::vector<std::string> lines;
};

TEST_F(CliNgTest, TheIniDecidesUnlessASwitchIsGiven) {
    const std::string text = dir.File("表示.txt");
    WriteFileBytes(dir.File("Kometori.ini"),
                   "[main]\r\nFormat=%no%\r\nAutoOverWrite=1\r\n[ng]\r\nApply=1\r\n"
                   "RuleFile=hide-w.txt\r\n");
    const struct {
        const char* switches;
        const char* lines;
        const char* excluded;  // the log's line, "" when the rules are off
    } rows[] = {
        {"", "1\r\n3\r\n", "NG: 1 件を除外しました"},
        {"--no-ng", "1\r\n2\r\n3\r\n", ""},
        {"--ng=hide-yo.txt", "1\r\n2\r\n", "NG: 1 件を除外しました"},
        {"--ng hide-yo.txt", "1\r\n2\r\n", "  1 件: 予"},
    };
    for (const auto& r : rows) {
        ASSERT_EQ(Run(std::string("convert ") + r.switches + " \"" + comment + "\"").exitCode, 0u) << r.switches;
        EXPECT_EQ(ReadFileBytes(text), r.lines) << r.switches;
        const bool off = *r.excluded == '\0';
        EXPECT_TRUE(
            off ? std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("NG", 0) == 0; })
                : Logged(r.excluded))
            << r.switches;
    }
    ASSERT_EQ(Run("subtitles --ng hide-yo.txt \"" + comment + "\"").exitCode, 0u);
    EXPECT_TRUE(
        Logged("字幕 2件 (重ねて表示 0件)、画面が一杯で省略 0件、上限を超えて省略 0件、重複をまとめて省略 0件、"
               "開始前で省略 0件、非表示 0件、削除 0件、空白 0件、読めずに省略 0件、除外 1件"));
    EXPECT_EQ(ReadFileBytes(dir.File("表示.ass")).find(u8"予告"), std::string::npos);
}

TEST_F(CliNgTest, RulesThatDoNotLoadEndWithStatusTwo) {
    const std::string file = " \"" + comment + "\"";
    for (const std::string& command : {"convert" + file, "subtitles" + file, "export" + file, "graph" + file,
                                       "get -t sm9 -o \"" + dir.Path() + "\""}) {
        ProgramRun run = Run(command + " --ng bad.txt");
        EXPECT_EQ(run.exitCode, 2u) << command << run.output;
        EXPECT_TRUE(Logged("◆NGルールの読み込みに失敗しました")) << command;
        EXPECT_TRUE(Logged("2 行目: foo:bar (使える種類は re: user: mail: time: date: です)")) << command;
    }
    EXPECT_EQ(Run("convert --ng missing.txt \"" + comment + "\"").exitCode, 2u);
    for (const char* arguments : {"convert --ng", "subtitles --ng= c.xml", "export --ng a.txt --no-ng c.xml"}) {
        EXPECT_EQ(Run(arguments).exitCode, 2u) << arguments;
    }
    EXPECT_EQ(ListFolder(dir.Path()).size(), 4u);  // nothing written
}

TEST_F(CliNgTest, ExportNamesItsFilesAndKeepsExistingOnes) {
    const std::string jsonl = dir.File("表示.jsonl");
    ProgramRun run = Run("export --ng hide-w.txt \"" + comment + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines[1], "[データ書き出し 開始]");
    EXPECT_TRUE(Logged("データ 2件、除外 1件"));
    EXPECT_TRUE(Logged(jsonl));
    const std::string rows = ReadFileBytes(jsonl);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 2);
    EXPECT_TRUE(FileExists(jsonl + ".manifest.json"));

    run = Run("export \"" + comment + "\"");  // no -y, no AutoOverWrite
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(lines, std::vector<std::string>{"操作を取り消しました"});

    // The format follows -o's extension unless given.
    ASSERT_EQ(Run("export -o 予定表.csv \"" + comment + "\"").exitCode, 0u);
    EXPECT_EQ(ReadFileBytes(dir.File("予定表.csv")).substr(0, 13), "\xEF\xBB\xBFthread,no,");
    ASSERT_EQ(Run("export --format jsonl -y -o 予定表.csv \"" + comment + "\"").exitCode, 0u);
    EXPECT_EQ(ReadFileBytes(dir.File("予定表.csv")).substr(0, 11), "{\"thread\":\"");

    for (const char* arguments :
         {"export", "export --format xml c.xml", "export -o", "export --hash-users", "export --bogus c.xml"}) {
        EXPECT_EQ(Run(arguments).exitCode, 2u) << arguments;
    }
    ASSERT_EQ(Run("export --help").exitCode, 0u);
    EXPECT_NE(lines[0].find("kometori-cli export"), std::string::npos);
}

}  // namespace
