// kometori-cli: scripted and scheduled fetches and conversions.
#include <cstdio>
#include <cstring>

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

int main(int argc, char** argv) {
    App().settings.LoadSite();
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "get") == 0) return RunGetCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "convert") == 0) return RunConvertCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "merge") == 0) return RunMergeCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "subtitles") == 0) return RunSubtitlesCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "export") == 0) return RunExportCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "graph") == 0) return RunGraphCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    PrintUsage(stderr);
    return 2;
}
