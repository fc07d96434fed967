// kometori-cli convert: one comment file to its text file, as the conversion
// job does it in batch mode, with the lines of the info log on standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_output.h"
#include "settings/settings.h"
#include "infolog/info_log.h"
#include "jobs/conversion_job.h"

namespace {

void PrintConvertUsage(FILE* out) {
    std::fputs(
        "使い方 / Usage: kometori-cli convert [options] COMMENT.xml [TEXT.txt]\n"
        "\n"
        "コメントファイル(XML)をテキストファイルに変換します。\n"
        "Converts a comment file (XML) into a text file, one line per comment.\n"
        "TEXT.txt を省略すると、COMMENT.xml の末尾3文字を \"txt\" に置き換えた名前になります。\n"
        "Without TEXT.txt, the last three characters of COMMENT.xml are replaced by \"txt\".\n"
        "\n"
        "  -f, --format FMT   行の書式 (既定: INI の \"Format\")\n"
        "                     line format (default: \"Format\" of the INI)\n"
        "  -u, --utf8         UTF-8 で出力 (既定: INI の \"TextOutUTF8\")\n"
        "                     write UTF-8 (default: \"TextOutUTF8\" of the INI)\n"
        "  -y, --overwrite    既存のテキストファイルを確認せずに上書き (既定: INI の \"AutoOverWrite\")\n"
        "                     replace an existing text file without asking (default: \"AutoOverWrite\" of the INI)\n",
        out);
    std::fputs(kNgUsage, out);
    std::fputs(kNgUsageEnglish, out);
    std::fputs(
        "  -h, --help         この説明 / this help\n"
        "\n"
        "終了コード / Exit status: 0 成功 / done, 1 失敗・取り消し / failure or cancel,\n"
        "  2 使い方の誤りか読めないNGルール / usage error or NG rules that do not load\n",
        out);
}

// The three settings the conversion uses, from "Kometori.ini" in the current
// directory, as the window program would read them.
void LoadConversionSettings() {
    FormValues form;
    App().settings.Load(form);
}

int UsageError(const char* what) {
    std::fprintf(stderr, "%s\n\n", what);
    PrintConvertUsage(stderr);
    return 2;
}

}  // namespace

int RunConvertCommand(const CommandArguments& args) {
    std::string format;
    bool hasFormat = false, utf8 = false, overwrite = false, optionsEnded = false;
    std::vector<std::wstring> files;
    NgSwitches ng;
    for (int i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(args.Wide(i));
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            PrintConvertUsage(stdout);
            return 0;
        } else if (arg == "-f" || arg == "--format") {
            if (i + 1 >= args.size()) return UsageError("-f, --format: 書式がありません / missing format");
            format = args[++i];
            hasFormat = true;
        } else if (arg.compare(0, 9, "--format=") == 0) {
            format = arg.substr(9);
            hasFormat = true;
        } else if (arg == "-u" || arg == "--utf8") {
            utf8 = true;
        } else if (arg == "-y" || arg == "--overwrite") {
            overwrite = true;
        } else if (const int taken = TakeNgSwitch(args, i, ng, error)) {
            if (taken < 0) return UsageError(error.c_str());
        } else {
            return UsageError(("不明なオプション / unknown option: " + arg).c_str());
        }
    }
    if (files.empty() || files.size() > 2) {
        return UsageError("コメントファイルを1つ指定して下さい / give one comment file");
    }

    LoadConversionSettings();
    AppSettings& settings = App().settings;
    if (hasFormat) settings.Format = format;
    if (utf8) settings.TextOutUTF8 = true;
    if (overwrite) settings.AutoOverWrite = true;

    ConsoleLineSink console;
    if (!ApplyNgSwitches(ng, true)) return 2;
    const std::wstring& commentPath = files[0];
    std::wstring textPath = files.size() > 1 ? files[1] : TextFilePathFor(commentPath);
    // Without a window nobody is asked: an existing file is kept unless
    // overwriting is allowed.
    if (!ConfirmTextOverwrite(textPath)) {
        InfoLog << "操作を取り消しました" << EndLine;
        return 1;
    }

    ConversionRequest request;
    request.commentPath = commentPath;
    request.textPath = textPath;
    request.format = settings.Format;
    request.completionMessage = TextSavedMessage(textPath);
    request.batch = true;
    return RunWritingJob([&] { return RunConversionJob(request); });
}
