// kometori-cli with files and folders named as users name them today, with
// characters code page 932 lacks: started from such a folder (its INI file
// read), writing beside inputs in such folders, and saying which such file is
// missing.
#include <gtest/gtest.h>

#include "support/codepage.h"
#include "testlib/process.h"
#include "testlib/temp_dir.h"

namespace {

class CliPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFolder(start));
        ASSERT_TRUE(MakeFolder(folder));
        WriteFileBytes(start + L"\\Kometori.ini", "[main]\r\nFormat=%no%:%comment%\r\n");
        WriteFileBytes(comment,
                       u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
                       u8"<chat thread=\"1\" no=\"1\" vpos=\"100\">わこつ</chat>"
                       u8"<chat thread=\"1\" no=\"2\" vpos=\"250\" mail=\"ue\">キタ━😀━</chat></packet>");
    }
    // Runs the command line with {IN} and {DIR} standing for the paths.
    ProgramRun Run(std::wstring arguments, const std::wstring& input) {
        for (const auto& [mark, path] : {std::pair<std::wstring, std::wstring>{L"{IN}", input}, {L"{DIR}", folder}}) {
            for (std::size_t at; (at = arguments.find(mark)) != std::wstring::npos;) {
                arguments.replace(at, mark.size(), path);
            }
        }
        return RunProgram(BuildProgram("kometori-cli.exe"), arguments, start);
    }

    TempDir dir;
    const std::wstring start = dir.File(kAccentedHangul);                          // José 한국
    const std::wstring folder = start + L"\\" + kEmojiName + L" " + kChineseName;  // 😀コメント 弹幕
    const std::wstring comment = folder + L"\\" + kHangulName + L".xml";           // 한국어.xml
    const std::wstring stem = folder + L"\\" + kHangulName;
};

struct CommandRow {
    const wchar_t* arguments;
    std::vector<std::wstring> outputs;  // after {DIR}, or beside the input's stem when starting with "."
};

TEST_F(CliPathsTest, EveryCommandWritesBesideItsInputs) {
    const CommandRow rows[] = {
        {L"convert \"{IN}\"", {L".txt"}},
        {L"subtitles \"{IN}\"", {L".ass"}},
        {L"merge -o \"{DIR}\\\uACB0\uD569 \U0001F600.xml\" \"{IN}\" \"{IN}\"", {L"\\\uACB0\uD569 \U0001F600.xml"}},
        {L"export \"{IN}\"", {L".jsonl", L".jsonl.manifest.json"}},
        {L"export -o \"{DIR}\\\uB370\uC774\uD130.csv\" \"{IN}\"",
         {L"\\\uB370\uC774\uD130.csv", L"\\\uB370\uC774\uD130.csv.manifest.json"}},
        {L"graph --csv=\"{DIR}\\\uCD08.csv\" \"{IN}\"", {L".png", L"\\\uCD08.csv"}},
    };
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(WideToUtf8(row.arguments));
        const ProgramRun run = Run(row.arguments, comment);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        for (const std::wstring& output : row.outputs) {
            const std::wstring path = (output[0] == L'.' ? stem : folder) + output;
            EXPECT_TRUE(FileExists(path)) << WideToUtf8(path);
        }
    }
    // The line format came from the INI file of the start folder.
    EXPECT_EQ(ReadFileBytes(stem + L".txt").rfind("1:わこつ\r\n2:キタ━", 0), 0u);
    const std::string text = u8"\"text\":\"キタ━😀━\"";
    EXPECT_NE(ReadFileBytes(stem + L".jsonl").find(text), std::string::npos);
}

TEST_F(CliPathsTest, AMissingFileIsNamedAndFails) {
    const std::wstring missing = folder + L"\\" + kEmojiName + L" \uC5C6\uC74C.xml";
    // As the log shows it: "?" for what the code page lacks.
    const std::string line = "◆コメントファイルを読み込めません: " + ShownPath(missing) + " (ファイルを開けません (2))";
    for (const wchar_t* arguments : {L"convert \"{IN}\"", L"subtitles \"{IN}\"", L"merge -o \"{DIR}\\m.xml\" \"{IN}\"",
                                     L"export \"{IN}\"", L"graph \"{IN}\""}) {
        SCOPED_TRACE(WideToUtf8(arguments));
        const ProgramRun run = Run(arguments, missing);
        EXPECT_EQ(run.exitCode, 1u) << run.output;
        const std::vector<std::string> lines = OutputLines(run.output);
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << run.output;
    }
    EXPECT_EQ(ListFolder(folder).size(), 2u) << "only the comment file and the empty text file of convert";
}

}  // namespace
