// kometori-cli export: comment files as data (JSON Lines or CSV) with a
// manifest beside it, as the data export job does it in batch mode.
#include <string>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "infolog/info_log.h"
#include "jobs/data_export_job.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/files.h"

namespace {

const char kExportAbout[] =
    "コメントファイルを、1コメント1行のデータ (JSON Lines か CSV) にして1つのファイルに書き出し、\n"
    "その横に 出力.manifest.json (入力の SHA-256、スレッドごとの欠けた番号など) を作ります。\n";

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
    bool hasFormat = false;
    std::wstring output;
    const CliCommand command{
        "export",
        "コメントファイル.xml...",
        kExportAbout,
        {
            {"format", 0, "jsonl|csv", "形式 (既定: jsonl。-o の名前が .csv で終わるときは csv)",
             [&](const OptionValue& value, std::string& error) {
                 hasFormat = true;
                 if (ReadFormat(value.text, options.format)) return true;
                 error = "--format: jsonl か csv を指定して下さい / give jsonl or csv";
                 return false;
             }},
            {"output", 'o', "OUT", "出力ファイル (既定: 最初の入力の拡張子を .jsonl か .csv にした名前)",
             StoreFile(output)},
            {"hash-users", 0, "SALT", "user_id を、SALT の後に ID を続けた文字列の SHA-256 (16進の小文字) に置き換える",
             [&](const OptionValue& value, std::string&) {
                 options.hashUsers = true;
                 options.salt = WideToUtf8(value.wide);  // as typed, whatever the code page lacks
                 return true;
             }},
        },
        true};
    CommandLine line;
    if (const auto status = ReadCommandLine(args, command, line)) return *status;
    options.inputs = line.operands;
    if (options.inputs.empty()) return UsageError("コメントファイルを指定して下さい / give the comment files");
    if (line.overwrite) App().settings.AutoOverWrite = true;
    if (!output.empty()) {
        options.output = output;
        if (!hasFormat) options.format = DataFormatOf(options.output, options.format);
    } else {
        options.output = DataFilePathFor(options.inputs.front(), options.format);
    }

    ConsoleLineSink console;
    if (!ApplyNgSwitches(line.ng, true)) return 2;
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
