// kometori-cli subtitles: one comment file to a subtitle file (ASS), as the
// subtitle job does it in batch mode, with the lines of the info log on
// standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_output.h"
#include "infolog/info_log.h"
#include "jobs/subtitle_job.h"
#include "settings/settings.h"
#include "support/regex.h"

namespace {

const char* ValueName(SubtitleOption::Kind kind) {
    switch (kind) {
        case SubtitleOption::Integer: return "N";
        case SubtitleOption::Hundredths: return "X.XX";
        case SubtitleOption::Flag: return "0|1";
        default: return "TEXT";
    }
}

void PrintSubtitlesUsage(FILE* out) {
    std::fputs(
        "使い方 / Usage: kometori-cli subtitles [options] COMMENT.xml [OUT.ass | --video VIDEO]\n"
        "\n"
        "コメントファイル(XML)を字幕ファイル(ASS)に変換します。動画と同じ名前で並べると、\n"
        "プレイヤーがコメントを動画の上に流します。\n"
        "Converts a comment file (XML) into a subtitle file (ASS). Named like the video and kept\n"
        "beside it, players show the comments flying over the video.\n"
        "OUT.ass を省略すると、COMMENT.xml の拡張子を \".ass\" に替えた名前になります。\n"
        "Without OUT.ass, the extension of COMMENT.xml is replaced by \".ass\".\n"
        "既定値は Kometori.ini の [subtitle] 節、なければ括弧内の値です。\n"
        "Defaults come from the [subtitle] section of Kometori.ini, else the values in brackets.\n"
        "\n",
        out);
    std::fputs(SubtitleSwitchesUsage().c_str(), out);
    std::fputs(
        "  -o, --output OUT.ass   字幕ファイル / the subtitle file\n"
        "  --video VIDEO          動画の名前で動画の横に保存 (VIDEO の拡張子を .ass に)\n"
        "                         save beside the video, named after it (VIDEO with .ass)\n"
        "  -y, --overwrite        既存の字幕ファイルを確認せずに上書き (既定: INI の \"AutoOverWrite\")\n"
        "                         replace an existing subtitle file without asking\n",
        out);
    std::fputs(kNgUsage, out);
    std::fputs(kNgUsageEnglish, out);
    std::fputs(
        "  -h, --help             この説明 / this help\n"
        "\n"
        "終了コード / Exit status: 0 成功 / done, 1 失敗・取り消し / failure or cancel,\n"
        "  2 使い方の誤りか読めないNGルール / usage error or NG rules that do not load\n",
        out);
}

// One line an option: "--gap N", its help and its default.
std::string OptionUsageLine(const SubtitleOption& option, const SubtitleSettings& defaults) {
    const std::string name = std::string("--") + option.option + " " + ValueName(option.kind);
    char line[512];
    std::snprintf(line, sizeof line, "  %-22s %s [%s]\n", name.c_str(), option.help,
                  SubtitleOptionValue(defaults, option).c_str());
    return line;
}

int UsageError(const std::string& what) {
    std::fprintf(stderr, "%s\n\n", what.c_str());
    PrintSubtitlesUsage(stderr);
    return 2;
}

const SubtitleOption* FindOption(const std::string& name) {
    for (const SubtitleOption& option : SubtitleOptions()) {
        if (name == option.option) return &option;
    }
    return nullptr;
}

// "--overlay 0" gives the flag its value; "--overlay c.xml" is the flag alone.
bool FlagValueFollows(const CommandArguments& args, int i) {
    return i + 1 < args.size() && (args[i + 1] == "0" || args[i + 1] == "1");
}

}  // namespace

std::string SubtitleSwitchesUsage() {
    const SubtitleSettings defaults;
    std::string usage;
    for (const SubtitleOption& option : SubtitleOptions()) usage += OptionUsageLine(option, defaults);
    return usage;
}

int TakeSubtitleSwitch(const CommandArguments& args, int& i, SubtitleSettings& options, std::string& error) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0) return 0;
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const SubtitleOption* option = FindOption(name);
    if (!option) return 0;
    std::string value;
    if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
    } else if (option->kind == SubtitleOption::Flag && !FlagValueFollows(args, i)) {
        value = "1";
    } else if (i + 1 < args.size()) {
        value = args[++i];
    } else {
        error = arg + ": 値がありません / missing value";
        return -1;
    }
    if (!SetSubtitleOption(options, *option, value, error)) {
        error = "値が正しくありません / bad value: " + error;
        return -1;
    }
    return 1;
}

int RunSubtitlesCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // the INI file is read, never written
    AppSettings& settings = App().settings;
    SubtitleSettings options = settings.subtitle;
    bool optionsEnded = false;
    std::vector<std::wstring> files;
    std::wstring output, video;
    NgSwitches ng;
    for (int i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string ngError, error;
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(args.Wide(i));
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            PrintSubtitlesUsage(stdout);
            return 0;
        } else if (arg == "-y" || arg == "--overwrite") {
            settings.AutoOverWrite = true;
        } else if (arg == "-o" || arg == "--output" || arg == "--video") {
            if (i + 1 >= args.size()) return UsageError(arg + ": 値がありません / missing value");
            (arg == "--video" ? video : output) = args.Wide(++i);
        } else if (const int taken = TakeNgSwitch(args, i, ng, ngError)) {
            if (taken < 0) return UsageError(ngError);
        } else if (const int taken = TakeSubtitleSwitch(args, i, options, error)) {
            if (taken < 0) return UsageError(error);
        } else {
            return UsageError("不明なオプション / unknown option: " + arg);
        }
    }
    if (files.size() == 2 && output.empty()) {
        output = files.back();
        files.pop_back();
    }
    if (files.size() != 1) {
        return UsageError("コメントファイルを1つ指定して下さい / give one comment file");
    }
    if (!video.empty() && !output.empty()) {
        return UsageError("--video と出力ファイルは同時に指定できません / --video takes no output file");
    }
    if (!options.Exclude.empty()) {
        const WideRegex exclude(options.Exclude);
        if (!exclude.Valid()) return UsageError("--exclude: " + exclude.Error());
    }

    ConsoleLineSink console;
    if (!ApplyNgSwitches(ng, true)) return 2;
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
