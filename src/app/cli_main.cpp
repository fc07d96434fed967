// kometori-cli: scripted and scheduled fetches and conversions.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "settings/settings.h"

namespace {
void PrintUsage(FILE* out) {
    std::fputs(
        "使い方:\n"
        "  kometori-cli get [オプション] アドレス\n"
        "  kometori-cli convert [オプション] コメントファイル.xml [テキストファイル.txt]\n"
        "  kometori-cli merge [オプション] -o 出力.xml 入力.xml...\n"
        "  kometori-cli subtitles [オプション] コメントファイル.xml [字幕ファイル.ass]\n"
        "  kometori-cli export [オプション] コメントファイル.xml...\n"
        "  kometori-cli graph [オプション] コメントファイル.xml\n"
        "コマンドごとの説明: kometori-cli コマンド --help\n",
        out);
}
}  // namespace

// The wide entry: paths in the arguments reach the file system whole, where
// narrow ones would hold "?" or a look-alike for what the code page lacks.
int wmain(int argc, wchar_t** argv) {
    App().settings.LoadSite();
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const CommandArguments args(std::vector<std::wstring>(argv + 1, argv + argc));
    const std::string& command = args[0];
    if (command == "get") return RunGetCommand(args);
    if (command == "convert") return RunConvertCommand(args);
    if (command == "merge") return RunMergeCommand(args);
    if (command == "subtitles") return RunSubtitlesCommand(args);
    if (command == "export") return RunExportCommand(args);
    if (command == "graph") return RunGraphCommand(args);
    if (command == "--help" || command == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    PrintUsage(stderr);
    return 2;
}
