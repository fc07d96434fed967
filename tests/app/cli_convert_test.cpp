// kometori-cli convert, run as its own process.
#include <gtest/gtest.h>

#include "testlib/process.h"
#include "testlib/temp_dir.h"

namespace {

class CliConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        _putenv_s("TZ", "JST-9");  // the child inherits it
        WriteFileBytes(comment,
                       u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
                       u8"<chat no=\"1\" date=\"1236384333\" vpos=\"12345\" user_id=\"abc\" mail=\"184\">"
                       u8"あ</chat><chat no=\"2\">b&amp;c</chat></packet>");
    }
    ProgramRun Convert(const std::string& arguments) {
        ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), "convert " + arguments, dir.Path());
        lines = OutputLines(run.output);
        return run;
    }

    TempDir dir;
    std::string comment = dir.File("c.xml");
    std::string text = dir.File("c.txt");
    std::vector<std::string> lines;
};

TEST_F(CliConvertTest, DefaultsComeFromTheIniFile) {
    ProgramRun run = Convert("\"" + comment + "\"");  // no INI file: the built-in defaults
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines, (std::vector<std::string>{"-----------------------------", "[データ抽出 開始]",
                                               "Format = %date%(%vpos%)[ID:%user_id%]%comment%(%command%)",
                                               "XML = " + comment, "SavePath = " + text, "Save Text",
                                               "コメント(テキストファイル)を保存しました。", "", text}));
    EXPECT_EQ(ReadFileBytes(text), "03月07日 09時05分(2:04)[ID:abc]あ(184)\r\n01月01日 09時00分(0:00)[ID:]b&c()\r\n");

    WriteFileBytes(dir.File("Kometori.ini"), "[main]\r\nFormat=%no%:%comment%\r\nTextOutUTF8=1\r\nAutoOverWrite=1\r\n");
    run = Convert("\"" + comment + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(lines[2], "Format = %no%:%comment%");
    EXPECT_EQ(ReadFileBytes(text), "1:\xE3\x81\x82\r\n2:b&c\r\n");
}

TEST_F(CliConvertTest, OptionsOverrideTheIniFile) {
    WriteFileBytes(dir.File("Kometori.ini"), "[main]\r\nFormat=%no%\r\n");
    const std::string out = dir.File("out.txt");
    ProgramRun run = Convert("--utf8 -f \"[%comment%]\" \"" + comment + "\" \"" + out + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(out), "[\xE3\x81\x82]\r\n[b&c]\r\n");
    EXPECT_FALSE(FileExists(text));

    run = Convert("--format= \"" + comment + "\"");  // empty format: empty lines
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(text), "\r\n\r\n");
}

// The forms Japanese Windows gives them, under Wine too; a character code
// page 932 lacks stays "?".
TEST_F(CliConvertTest, WaveDashAndItsKinTakeTheirCodePage932Forms) {
    WriteFileBytes(comment,
                   u8"<packet><chat no=\"1\">「まってま\u301C」</chat>"
                   u8"<chat no=\"2\">\u2016\u2212\u00A2\u00A3\u00AC\u2014\u2015</chat>"
                   u8"<chat no=\"3\">\uD55C\uAE00 ソ表</chat></packet>");
    ProgramRun run = Convert("-f %comment% \"" + comment + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(text), "「まってま～」\r\n∥－￠￡￢――\r\n?? ソ表\r\n");
    EXPECT_EQ(ReadFileBytes(text).substr(10, 2), "\x81\x60");
}

TEST_F(CliConvertTest, ExistingTextFileIsKeptWithoutPermission) {
    WriteFileBytes(text, "keep");
    ProgramRun run = Convert("-f %no% \"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(lines, (std::vector<std::string>{"操作を取り消しました"}));
    EXPECT_EQ(ReadFileBytes(text), "keep");

    run = Convert("-y -f %no% \"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(text), "1\r\n2\r\n");
}

TEST_F(CliConvertTest, FailuresExitWithOne) {
    ProgramRun run = Convert("\"" + dir.File("none.xml") + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Error : pDoc->documentElement");
    EXPECT_EQ(lines.back(), "◆テキスト変換処理中にエラーが発生しました");
    EXPECT_EQ(ReadFileBytes(dir.File("none.txt")), "");

    WriteFileBytes(comment, "<packet/>");
    run = Convert("-y \"" + comment + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(lines[lines.size() - 2], "コメントデータが存在しません");
}

TEST_F(CliConvertTest, UsageErrorsAndHelp) {
    EXPECT_EQ(Convert("").exitCode, 2u);
    EXPECT_EQ(Convert("--bogus \"" + comment + "\"").exitCode, 2u);
    EXPECT_EQ(Convert("a.xml b.txt c.txt").exitCode, 2u);
    EXPECT_EQ(Convert("\"" + comment + "\" -f").exitCode, 2u);
    EXPECT_FALSE(FileExists(text));

    ProgramRun help = Convert("--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.output.find("使い方: kometori-cli convert"), std::string::npos);
    EXPECT_NE(help.output.find("--overwrite"), std::string::npos);
}

}  // namespace
