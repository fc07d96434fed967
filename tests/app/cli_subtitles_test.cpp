// kometori-cli subtitles, run as its own process.
#include <gtest/gtest.h>

#include "settings/subtitle_settings.h"
#include "testlib/process.h"
#include "testlib/temp_dir.h"

namespace {

class CliSubtitlesTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(comment,
                       u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
                       u8"<chat no=\"1\" vpos=\"100\" mail=\"ue red\">赤い上のコメント</chat>"
                       u8"<chat no=\"2\" vpos=\"120\">流れるコメント</chat></packet>");
    }
    ProgramRun Subtitles(const std::string& arguments) {
        ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), "subtitles " + arguments, dir.Path());
        lines = OutputLines(run.output);
        return run;
    }
    bool Has(const std::string& path, const std::string& text) {
        return ReadFileBytes(path).find(text) != std::string::npos;
    }

    TempDir dir;
    std::string comment = dir.File("表示.xml");
    std::string ass = dir.File("表示.ass");
    std::vector<std::string> lines;
};

TEST_F(CliSubtitlesTest, DefaultsFromTheIniFileOptionsOverThem) {
    WriteFileBytes(dir.File("Kometori.ini"),
                   "[subtitle]\r\nStageWidth=1280\r\nStageHeight=720\r\nFontName=IPAPGothic\r\n");
    ProgramRun run = Subtitles("\"" + comment + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "-----------------------------", "[字幕変換 開始]", "XML = " + comment, "SavePath = " + ass,
                  "Stage = 1280x720", "Font = IPAPGothic",
                  "字幕 2件 (重ねて表示 0件)、画面が一杯で省略 0件、上限を超えて省略 0件、重複をまとめて省略 0件、"
                  "開始前で省略 0件、非表示 0件、削除 0件、空白 0件、読めずに省略 0件、除外 0件",
                  "Save ASS", "字幕ファイル(ASS)を保存しました。", "", ass}));
    EXPECT_TRUE(Has(ass, "PlayResX: 1280\r\nPlayResY: 720\r\n"));

    const std::string out = dir.File("out.ass");
    run = Subtitles("--width 640 --overlay --font-size=5 --exclude \"^流れ\" \"" + comment + "\" \"" + out + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(out, "; StageWidth=640\r\n; StageHeight=720\r\n"));
    EXPECT_TRUE(Has(out, "; FontSize=5\r\n"));
    EXPECT_TRUE(Has(out, "; OverlayWhenFull=1\r\n"));
    EXPECT_TRUE(Has(out, u8"; Exclude=^流れ\r\n"));
    EXPECT_FALSE(Has(out, u8"流れるコメント\r\n"));

    run = Subtitles("-y --overlay 0 --font-size 5 \"" + comment + "\" \"" + out + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(out, "; OverlayWhenFull=0\r\n"));
}

TEST_F(CliSubtitlesTest, ExistingFileNeedsPermission) {
    WriteFileBytes(ass, "keep");
    ProgramRun run = Subtitles("\"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(lines, (std::vector<std::string>{"操作を取り消しました"}));
    EXPECT_EQ(ReadFileBytes(ass), "keep");

    run = Subtitles("-y \"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(ass, u8"赤い上のコメント"));

    WriteFileBytes(comment, "<packet/>");
    run = Subtitles("-y \"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(lines.back(), "◆字幕ファイル変換処理中にエラーが発生しました");
}

TEST_F(CliSubtitlesTest, NamedAfterTheVideoWithTheNewOptions) {
    ProgramRun run = Subtitles("--video \"" + dir.File("動画 ソ.mp4") +
                               "\" --merge-repeats 2.5 --offset=-1.5 "
                               "--offset-map \"0:01=+1,1:00:00=-0.25\" --max-on-screen 40 \"" +
                               comment + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    const std::string out = dir.File("動画 ソ.ass");
    EXPECT_TRUE(Has(out,
                    "; MergeRepeats=2.5\r\n; Offset=-1.5\r\n; OffsetMap=0:01=+1,1:00:00=-0.25\r\n"
                    "; MaxOnScreen=40\r\n"));
    EXPECT_TRUE(Has(out, "Dialogue: 1,0:00:02.00,0:00:05.00,"));  // moved by the map, not by --offset
    EXPECT_FALSE(FileExists(ass));
}

TEST_F(CliSubtitlesTest, UsageErrorsAndHelp) {
    const std::string file = " \"" + comment + "\"";
    for (const std::string& arguments :
         {std::string(), "--bogus" + file, "-x" + file, "--opacity 101" + file, "--width=abc" + file,
          "--scroll-time 1.234" + file, file + " --font", "--exclude \"(\"" + file, std::string("a.xml b.ass c.ass"),
          "--offset-map 1:5=2" + file, "--offset-map \"0:10=1,0:05=2\"" + file, "--max-on-screen -1" + file,
          "--merge-repeats 61" + file, "--video v.mp4 -o o.ass" + file, "--video v.mp4" + file + " o.ass"}) {
        EXPECT_EQ(Subtitles(arguments).exitCode, 2u) << arguments;
    }
    EXPECT_FALSE(FileExists(ass));

    ProgramRun help = Subtitles("--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.output.find("使い方: kometori-cli subtitles"), std::string::npos);
    for (const SubtitleOption& option : SubtitleOptions()) {
        EXPECT_NE(help.output.find(std::string("--") + option.option + " "), std::string::npos) << option.option;
    }
    EXPECT_NE(help.output.find("--overwrite"), std::string::npos);
}

}  // namespace
