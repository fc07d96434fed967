// kometori-cli convert: one comment file to its text file, as the conversion
// job does it in batch mode, with the lines of the info log on standard output.
#include <string>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "settings/settings.h"
#include "infolog/info_log.h"
#include "jobs/conversion_job.h"

namespace {

const char kConvertAbout[] =
    "コメントファイル(XML)を、1コメント1行のテキストファイルに変換します。\n"
    "テキストファイル.txt を省略すると、コメントファイル.xml の末尾3文字を \"txt\" に替えた名前になります。\n";

// The three settings the conversion uses, from "Kometori.ini" in the current
// directory, as the window program would read them.
void LoadConversionSettings() {
    FormValues form;
    App().settings.Load(form);
}

}  // namespace

int RunConvertCommand(const CommandArguments& args) {
    std::string format;
    bool hasFormat = false, utf8 = false;
    const CliCommand command{
        "convert",
        "コメントファイル.xml [テキストファイル.txt]",
        kConvertAbout,
        {
            {"format", 'f', "FMT", "行の書式 (既定: Kometori.ini の Format)",
             [&](const OptionValue& value, std::string&) {
                 format = value.text;
                 hasFormat = true;
                 return true;
             }},
            {"utf8", 'u', nullptr, "UTF-8 で書き出す (既定: Kometori.ini の TextOutUTF8)", SetFlag(utf8)},
        },
        true};
    CommandLine line;
    if (const auto status = ReadCommandLine(args, command, line)) return *status;
    const std::vector<std::wstring>& files = line.operands;
    if (files.empty() || files.size() > 2) {
        return UsageError("コメントファイルを1つ指定して下さい / give one comment file");
    }

    LoadConversionSettings();
    AppSettings& settings = App().settings;
    if (hasFormat) settings.Format = format;
    if (utf8) settings.TextOutUTF8 = true;
    if (line.overwrite) settings.AutoOverWrite = true;

    ConsoleLineSink console;
    if (!ApplyNgSwitches(line.ng, true)) return 2;
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
