// kometori-cli: scripted and scheduled fetches and conversions.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "settings/settings.h"

namespace {
void PrintUsage(FILE* out) {
    std::fputs(
        "使い方 / Usage:\n"
        "  kometori-cli get [options] ADDRESSES\n"
        "  kometori-cli convert [options] COMMENT.xml [TEXT.txt]\n"
        "  kometori-cli merge -o OUT.xml [options] IN.xml...\n"
        "  kometori-cli subtitles [options] COMMENT.xml [OUT.ass]\n"
        "  kometori-cli export [options] COMMENT.xml...\n"
        "  kometori-cli graph [options] COMMENT.xml\n"
        "  kometori-cli COMMAND --help\n",
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
