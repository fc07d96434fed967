// kometori-cli subtitles: one comment file to a subtitle file (ASS), as the
// subtitle job does it in batch mode, with the lines of the info log on
// standard output.
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "infolog/info_log.h"
#include "jobs/subtitle_job.h"
#include "settings/settings.h"
#include "support/regex.h"

namespace {

const char kSubtitlesAbout[] =
    "コメントファイル(XML)を字幕ファイル(ASS)に変換します。動画と同じ名前で並べると、\n"
    "プレイヤーがコメントを動画の上に流します。\n"
    "字幕ファイル.ass を省略すると、コメントファイル.xml の拡張子を \".ass\" に替えた名前になります。\n"
    "既定値は Kometori.ini の [subtitle] セクション、なければ [ ] 内の値です。\n";

const char* ValueName(SubtitleOption::Kind kind) {
    switch (kind) {
        case SubtitleOption::Integer: return "N";
        case SubtitleOption::Hundredths: return "X.XX";
        case SubtitleOption::Flag: return "0|1";
        default: return "TEXT";
    }
}

}  // namespace

// An option per key of [subtitle]; a flag without 0 or 1 after it means 1.
std::vector<CliOption> SubtitleCliOptions(SubtitleSettings& options) {
    const SubtitleSettings defaults;
    std::vector<CliOption> table;
    for (const SubtitleOption& option : SubtitleOptions()) {
        const std::string help = std::string(option.help) + " [" + SubtitleOptionValue(defaults, option) + "]";
        table.push_back({option.option, 0, ValueName(option.kind), help,
                         [&options, &option](const OptionValue& value, std::string& error) {
                             if (SetSubtitleOption(options, option, value.text, error)) return true;
                             error = "値が正しくありません / bad value: " + error;
                             return false;
                         },
                         option.kind == SubtitleOption::Flag});
    }
    return table;
}

int RunSubtitlesCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // the INI file is read, never written
    AppSettings& settings = App().settings;
    SubtitleSettings options = settings.subtitle;
    std::wstring output, video;
    std::vector<CliOption> table = {
        {"output", 'o', "OUT.ass", "字幕ファイル", StoreFile(output)},
        {"video", 0, "VIDEO", "動画の名前で動画の横に保存する (VIDEO の拡張子を .ass に替える)", StoreFile(video)},
    };
    for (CliOption& option : SubtitleCliOptions(options)) table.push_back(std::move(option));
    const CliCommand command{"subtitles", "コメントファイル.xml [字幕ファイル.ass | --video VIDEO]", kSubtitlesAbout,
                             std::move(table), true};
    CommandLine line;
    if (const auto status = ReadCommandLine(args, command, line)) return *status;
    std::vector<std::wstring> files = line.operands;
    if (files.size() == 2 && output.empty()) {
        output = files.back();
        files.pop_back();
    }
    if (files.size() != 1) return UsageError("コメントファイルを1つ指定して下さい / give one comment file");
    if (!video.empty() && !output.empty()) {
        return UsageError("--video と出力ファイルは同時に指定できません / --video takes no output file");
    }
    if (!options.Exclude.empty()) {
        const WideRegex exclude(options.Exclude);
        if (!exclude.Valid()) return UsageError("--exclude: " + exclude.Error());
    }
    if (line.overwrite) settings.AutoOverWrite = true;

    ConsoleLineSink console;
    if (!ApplyNgSwitches(line.ng, true)) return 2;
    SubtitleRequest request;
    request.commentPath = files[0];
    // Named after the video and beside it, players load it by themselves.
    request.assPath = !output.empty() ? output : SubtitleFilePathFor(video.empty() ? request.commentPath : video);
    // Without a window nobody is asked: an existing file is kept unless
    // overwriting is allowed.
    if (!ConfirmSubtitleOverwrite(request.assPath)) {
        InfoLog << "操作を取り消しました" << EndLine;
        return 1;
    }
    request.options = options;
    request.completionMessage = SubtitleSavedMessage(request.assPath);
    request.batch = true;
    return RunWritingJob([&] { return RunSubtitleJob(request); });
}
