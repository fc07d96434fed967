// kometori-cli export: comment files as data (JSON Lines or CSV) with a
// manifest beside it, as the data export job does it in batch mode.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_output.h"
#include "infolog/info_log.h"
#include "jobs/data_export_job.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/files.h"

namespace {

void PrintExportUsage(FILE* out) {
    std::fputs(
        "使い方: kometori-cli export [オプション] コメントファイル.xml...\n"
        "  コメントファイルを、1コメント1行のデータ (JSON Lines か CSV) にして1つのファイルに\n"
        "  書き出し、その横に OUT.manifest.json (入力の SHA-256、スレッドごとの欠けた番号など) を作ります。\n"
        "  --format jsonl|csv   形式 (既定: jsonl。-o の名前が .csv で終わるときは csv)\n"
        "  -o, --output OUT     出力ファイル (既定: 最初の入力の拡張子を .jsonl か .csv にした名前)\n"
        "  --hash-users SALT    user_id を SALT と続けた SHA-256 (16進の小文字) に置き換える\n",
        out);
    std::fputs(kNgUsage, out);
    std::fputs(
        "  -y, --overwrite      既存のファイルを確認せずに上書きする\n"
        "\n"
        "Usage: kometori-cli export [options] COMMENT.xml...\n"
        "  Writes the comments of every input, one row each, into one data file (JSON Lines or CSV)\n"
        "  and OUT.manifest.json beside it (the inputs' SHA-256, the numbers each thread lacks, ...).\n"
        "  --format jsonl|csv   the format (default: jsonl; csv when OUT ends in .csv)\n"
        "  -o, --output OUT     the data file (default: the first input with .jsonl or .csv)\n"
        "  --hash-users SALT    user_id as the lower-case hex SHA-256 of SALT followed by the id\n",
        out);
    std::fputs(kNgUsageEnglish, out);
    std::fputs(
        "  -y, --overwrite      overwrite existing files without asking\n"
        "Exit status: 0 saved, 1 a failure or a cancel, 2 a usage error or NG rules that do not load.\n",
        out);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s\n\n", message.c_str());
    PrintExportUsage(stderr);
    return 2;
}

bool ReadFormat(const std::string& name, DataFormat& format) {
    if (name != "jsonl" && name != "csv") return false;
    format = name == "csv" ? DataFormat::Csv : DataFormat::JsonLines;
    return true;
}

}  // namespace

int RunExportCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // the INI file is read, never written
    DataExportRequest request;
    DataExportOptions& options = request.options;
    bool hasFormat = false, optionsEnded = false;
    std::wstring output;
    NgSwitches ng;
    for (int i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.inputs.push_back(args.Wide(i));
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            PrintExportUsage(stdout);
            return 0;
        } else if (arg == "--format" || arg.compare(0, 9, "--format=") == 0) {
            std::string name = arg.size() > 8 ? arg.substr(9) : std::string();
            if ((arg.size() == 8 && !value(name)) || !ReadFormat(name, options.format)) {
                return UsageError("--format: jsonl か csv を指定して下さい / give jsonl or csv");
            }
            hasFormat = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= args.size() || (output = args.Wide(++i)).empty()) {
                return UsageError(arg + ": ファイルがありません / missing file");
            }
        } else if (arg == "--hash-users") {
            if (i + 1 >= args.size()) return UsageError("--hash-users: SALT がありません / missing salt");
            options.hashUsers = true;
            options.salt = WideToUtf8(args.Wide(++i));  // as typed, whatever the code page lacks
        } else if (arg == "-y" || arg == "--overwrite") {
            App().settings.AutoOverWrite = true;
        } else if (const int taken = TakeNgSwitch(args, i, ng, error)) {
            if (taken < 0) return UsageError(error);
        } else {
            return UsageError("不明なオプションです / unknown option: " + arg);
        }
    }
    if (options.inputs.empty()) return UsageError("コメントファイルを指定して下さい / give the comment files");
    if (!output.empty()) {
        options.output = output;
        if (!hasFormat) options.format = DataFormatOf(options.output, options.format);
    } else {
        options.output = DataFilePathFor(options.inputs.front(), options.format);
    }

    ConsoleLineSink console;
    if (!ApplyNgSwitches(ng, true)) return 2;
    request.ng = App().settings.NgRuleChoice();
    // Without a window nobody is asked: existing files are kept unless
    // overwriting is allowed.
    if (!App().settings.AutoOverWrite && (FileExists(options.output) || FileExists(ManifestPathFor(options.output)))) {
        InfoLog << "操作を取り消しました" << EndLine;
        return 1;
    }
    request.completionMessage = DataSavedMessage(options.output);
    request.batch = true;
    return RunWritingJob([&] { return RunDataExportJob(request); });
}
