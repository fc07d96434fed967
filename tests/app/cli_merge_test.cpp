// kometori-cli merge, run as its own process.
#include <gtest/gtest.h>

#include "testlib/process.h"
#include "testlib/temp_dir.h"

namespace {

std::string Packet(const std::string& thread, int from, int to, const std::string& changed = "") {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"" + thread + "\"/>";
    for (int no = from; no <= to; ++no) {
        xml += "<chat thread=\"" + thread + "\" no=\"" + std::to_string(no) + "\">" +
               (no == from && !changed.empty() ? changed : u8"わこつ") + "</chat>";
    }
    return xml + "</packet>";
}

class CliMergeTest : public ::testing::Test {
protected:
    ProgramRun Merge(const std::string& arguments) {
        ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), "merge " + arguments, dir.Path());
        lines = OutputLines(run.output);
        return run;
    }
    TempDir dir;
    std::vector<std::string> lines;
};

TEST_F(CliMergeTest, OverlappingFilesOfOneThread) {
    WriteFileBytes(dir.File("a.xml"), Packet("77", 1, 600));
    WriteFileBytes(dir.File("b.xml"), Packet("77", 500, 1200, u8"消えた"));
    ProgramRun run = Merge("-o \"表示ソ.xml\" a.xml b.xml");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines, (std::vector<std::string>{"-----------------------------", "[コメント 結合開始]", "XML = a.xml",
                                               "XML = b.xml", "SavePath = 表示ソ.xml",
                                               "コメント 1200 件を保存しました (読み込み 1301 件、重複 100 "
                                               "件、内容の異なる番号 1 件は最新のファイルの内容)",
                                               "コメントファイルを保存しました"}));
    const std::string saved = ReadFileBytes(dir.File("表示ソ.xml"));
    EXPECT_NE(saved.find(u8"no=\"500\">消えた</chat>"), std::string::npos);
    EXPECT_EQ(ListFolder(dir.Path()).size(), 3u);
}

// A shared file renumbered every chat 1 and a live log numbering every chat
// -1: every different comment stays, the overlap of the two logs once.
TEST_F(CliMergeTest, FilesWithRepeatedNumbers) {
    std::string shared = "<packet><thread thread=\"77\"/>", live = shared, older = shared;
    for (int i = 0; i < 71; ++i) {
        shared += "<chat thread=\"77\" no=\"1\" vpos=\"" + std::to_string(i * 100) + u8"\">ソ表" + std::to_string(i) +
                  "</chat>";
        const std::string chat = "<chat thread=\"77\" no=\"-1\" date=\"" + std::to_string(1262304000 + i) +
                                 u8"\">わこつ" + std::to_string(i) + "</chat>";
        if (i < 50) older += chat;
        if (i >= 30) live += chat;
    }
    WriteFileBytes(dir.File("shared.xml"), shared + "</packet>");
    WriteFileBytes(dir.File("live1.xml"), older + "</packet>");
    WriteFileBytes(dir.File("live2.xml"), live + "</packet>");
    ProgramRun run = Merge("-o out.xml shared.xml");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines.at(lines.size() - 2),
              "コメント 71 件を保存しました (読み込み 71 件、重複 0 件、内容の異なる番号 0 件は最新のファイルの内容、"
              "番号で見分けられないコメント 71 件はすべて残しました)");
    run = Merge("-o out2.xml live1.xml live2.xml");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines.at(lines.size() - 2),
              "コメント 71 件を保存しました (読み込み 91 件、重複 20 件、内容の異なる番号 0 件は最新のファイルの内容、"
              "番号で見分けられないコメント 71 件はすべて残しました)");
}

TEST_F(CliMergeTest, RefusalsAndTheirExitStatus) {
    WriteFileBytes(dir.File("a.xml"), Packet("77", 1, 3));
    WriteFileBytes(dir.File("c.xml"), Packet("88", 1, 3));
    const struct {
        std::string arguments;
        DWORD status;
        std::string lastLine;
    } cases[] = {
        {"-o a.xml a.xml", 1, "操作を取り消しました"},  // exists, no -y
        {"-o out.xml a.xml c.xml", 1, "■同じスレッドのファイルだけを指定するか、--force を付けて下さい"},
        {"-o out.xml a.xml missing.xml", 1,
         "◆コメントファイルを読み込めません: missing.xml (ファイルを開けません (2))"},
        {"-o out.xml --force a.xml c.xml", 0, "コメントファイルを保存しました"},
        {"-y -o a.xml a.xml", 0, "コメントファイルを保存しました"},
        {"a.xml", 2, ""},
        {"-o out.xml --bogus a.xml", 2, ""},
    };
    for (const auto& c : cases) {
        ProgramRun run = Merge(c.arguments);
        EXPECT_EQ(run.exitCode, c.status) << c.arguments << "\n" << run.output;
        if (!c.lastLine.empty()) {
            ASSERT_FALSE(lines.empty()) << c.arguments;
            EXPECT_EQ(lines.back(), c.lastLine) << c.arguments;
        }
    }
}

}  // namespace
