// kometori-cli graph, run as its own process.
#include <gtest/gtest.h>

#include <sstream>

#include "support/codepage.h"
#include "support/com.h"
#include "testlib/picture_reader.h"
#include "testlib/process.h"
#include "testlib/temp_dir.h"

namespace {

class CliGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A comment every second at .5 (each on the screen in five seconds,
        // fewer at the ends), and twenty top comments at 0:20; placeholders of
        // deleted comments, which count nowhere.
        std::string xml = u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>";
        for (int i = 0; i < 30; ++i) {
            xml += "<chat no=\"" + std::to_string(i + 1) + "\" vpos=\"" + std::to_string(i * 100 + 50) +
                   u8"\">流れる表示ソ</chat>";
        }
        for (int i = 0; i < 20; ++i) xml += u8"<chat vpos=\"2000\" mail=\"ue\">キタ━😀━한글</chat>";
        xml +=
            u8"<chat no=\"31\" vpos=\"1050\" deleted=\"1\"></chat><chat no=\"32\" vpos=\"2000\" mail=\"ue\" "
            u8"user_id=\"u32\" deleted=\"2\">消された</chat>";
        WriteFileBytes(comment, xml + "</packet>");
    }
    ProgramRun Graph(const std::string& arguments) {
        ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), "graph " + arguments, dir.Path());
        lines = OutputLines(run.output);
        return run;
    }

    ComInit com;
    TempDir dir;
    std::string comment = dir.File("予告ソ.xml");
    std::string png = dir.File("予告ソ.png");
    std::string csv = dir.File("秒ごと.csv");
    std::vector<std::string> lines;
};

TEST_F(CliGraphTest, LinesFiguresAndPicture) {
    ProgramRun run = Graph("--csv \"" + csv + "\" \"" + comment + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines, (std::vector<std::string>{"-----------------------------", "[グラフ作成 開始]", "XML = " + comment,
                                               "SavePath = " + png, "CSV = " + csv, "Size = 1280x200",
                                               "グラフ 50件 (0:00 - 0:29)、読めずに省略 0件、削除 2件",
                                               "ピーク 1: 0:20 (25 件)", "ピーク 2: 0:03 (5 件)", "Save PNG",
                                               "Save CSV", "グラフ(PNG)を保存しました。", "", png}));
    const Picture picture = ReadPictureFile(AnsiToWide(png));
    EXPECT_EQ(picture.width, 1280);
    EXPECT_EQ(picture.height, 200);

    std::istringstream rows(ReadFileBytes(csv));
    std::string row;
    ASSERT_TRUE(std::getline(rows, row));
    EXPECT_EQ(row, "second,posted,on_screen\r");
    unsigned second = 0, posted = 0, onScreen = 0, next = 0, postedSum = 0, onScreenSum = 0;
    char comma1 = 0, comma2 = 0;
    while (std::getline(rows, row) && std::istringstream(row) >> second >> comma1 >> posted >> comma2 >> onScreen) {
        EXPECT_EQ(second, next++);
        postedSum += posted;
        onScreenSum += onScreen;
    }
    EXPECT_EQ(next, 30u);
    EXPECT_EQ(postedSum, 50u);
    // 26 comments of five seconds, four cut by the ends (4, 4, 3, 2), twenty of three.
    EXPECT_EQ(onScreenSum, 26u * 5 + 4 + 4 + 3 + 2 + 20 * 3);

    const std::string other = dir.File("小さい.png");
    run = Graph("-o \"" + other + "\" --width 640 --height=120 \"" + comment + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    const Picture small = ReadPictureFile(AnsiToWide(other));
    EXPECT_EQ(small.width, 640);
    EXPECT_EQ(small.height, 120);
}

TEST_F(CliGraphTest, ExistingFilesNeedPermission) {
    // Either file existing stops both, before anything is written.
    for (const std::string& existing : {png, csv}) {
        WriteFileBytes(existing, "keep");
        ProgramRun run = Graph("--csv \"" + csv + "\" \"" + comment + "\"");
        EXPECT_EQ(run.exitCode, 1u) << run.output;
        EXPECT_EQ(lines, (std::vector<std::string>{"操作を取り消しました"}));
        EXPECT_EQ(ReadFileBytes(existing), "keep");
        EXPECT_EQ(ListFolder(dir.Path()).size(), 2u);
        ::DeleteFileA(existing.c_str());
    }
    WriteFileBytes(png, "keep");
    ProgramRun run = Graph("-y \"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadPictureFile(AnsiToWide(png)).width, 1280);

    // A damaged comment file writes nothing.
    WriteFileBytes(png, "keep");
    WriteFileBytes(comment, "<packet><chat vpos=\"1\">");
    run = Graph("-y \"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(lines.back(), "◆グラフ作成処理中にエラーが発生しました");
    EXPECT_EQ(ReadFileBytes(png), "keep");
}

TEST_F(CliGraphTest, UsageErrorsAndHelp) {
    const std::string file = " \"" + comment + "\"";
    for (const std::string& arguments : {std::string(), "--bogus" + file, "-x" + file, "--width 15" + file,
                                         "--width 8193" + file, "--height=2049" + file, "--height 1e2" + file,
                                         "--width=" + file, file + " --csv", "-o" + file, std::string("a.xml b.xml")}) {
        EXPECT_EQ(Graph(arguments).exitCode, 2u) << arguments;
    }
    EXPECT_FALSE(FileExists(png));

    ProgramRun help = Graph("--help");
    EXPECT_EQ(help.exitCode, 0u);
    for (const char* option :
         {"使い方: kometori-cli graph", "--output", "--width", "--height", "--csv", "--overwrite"}) {
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
    }
}

}  // namespace
