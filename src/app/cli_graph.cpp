// kometori-cli graph: a comment file's density graph as a PNG picture and,
// when asked, its per-second figures as CSV, with the lines of the info log
// on standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/naming.h"
#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_output.h"
#include "comments/comment_reader.h"
#include "export/graph_export.h"
#include "ng/ng_rule_file.h"
#include "infolog/info_log.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/com.h"

namespace {

void PrintGraphUsage(FILE* out) {
    std::fprintf(out,
                 "使い方 / Usage: kometori-cli graph [options] COMMENT.xml\n"
                 "\n"
                 "コメントファイル(XML)から、動画の1秒ごとに画面に出ているコメントの数のグラフを\n"
                 "PNG 画像に描き、多い順に5つのピークを表示します。\n"
                 "Draws how many comments are on the screen at each second of the video as a PNG\n"
                 "picture and prints the five highest peaks.\n"
                 "\n"
                 "  -o, --output FILE  PNG 画像 (既定: COMMENT.xml の拡張子を \".png\" に替えた名前)\n"
                 "                     the picture (default: COMMENT.xml with the extension \".png\")\n"
                 "  --width N          幅 / width in pixels, %d-%d [1280]\n"
                 "  --height N         高さ / height in pixels, %d-%d [200]\n"
                 "  --csv FILE         1秒ごとの数を CSV でも書き出す (second,posted,on_screen)\n"
                 "                     also write the figures per second as CSV\n"
                 "  -y, --overwrite    既存のファイルを確認せずに上書き (既定: INI の \"AutoOverWrite\")\n"
                 "                     replace existing files without asking\n",
                 kGraphMinSide, kGraphMaxWidth, kGraphMinSide, kGraphMaxHeight);
    std::fputs(kNgUsage, out);
    std::fputs(kNgUsageEnglish, out);
    std::fputs("  -h, --help         この説明 / this help\n"
               "\n"
               "流れるコメントは ScrollTime、ue と shita は FixedTime の間 (INI の [subtitle]) 数えます。\n"
               "Scrolling comments count for ScrollTime, ue and shita for FixedTime ([subtitle] of the INI).\n"
               "終了コード / Exit status: 0 成功 / done, 1 失敗・取り消し / failure or cancel,\n"
               "  2 使い方の誤りか読めないNGルール / usage error or NG rules that do not load\n",
               out);
}

int UsageError(const std::string& what) {
    std::fprintf(stderr, "%s\n\n", what.c_str());
    PrintGraphUsage(stderr);
    return 2;
}

// Digits only, within [min, max].
bool ReadSide(const std::string& text, int min, int max, int& value) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return value >= min && value <= max;
}

}  // namespace

int RunGraphCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // the INI file is read, never written
    AppSettings& settings = App().settings;
    GraphExport request;
    int width = 1280, height = 200;
    bool optionsEnded = false;
    std::vector<std::wstring> files;
    NgSwitches ng;
    for (int i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string ngError;
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(args.Wide(i));
            continue;
        }
        if (const int taken = TakeNgSwitch(args, i, ng, ngError)) {
            if (taken < 0) return UsageError(ngError);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            PrintGraphUsage(stdout);
            return 0;
        }
        if (arg == "-y" || arg == "--overwrite") {
            settings.AutoOverWrite = true;
            continue;
        }
        // -o FILE, --name VALUE or --name=VALUE.
        const std::size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        std::string value;
        std::wstring path;  // the value as given, for the options that name files
        if (name != "-o" && name != "--output" && name != "--csv" && name != "--width" && name != "--height") {
            return UsageError("不明なオプション / unknown option: " + arg);
        }
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            path = args.WideAfterEquals(i);
        } else if (i + 1 < args.size()) {
            value = args[++i];
            path = args.Wide(i);
        } else {
            return UsageError(arg + ": 値がありません / missing value");
        }
        if (name == "--width" && !ReadSide(value, kGraphMinSide, kGraphMaxWidth, width)) {
            return UsageError("--width: 値が正しくありません / bad value: " + value);
        }
        if (name == "--height" && !ReadSide(value, kGraphMinSide, kGraphMaxHeight, height)) {
            return UsageError("--height: 値が正しくありません / bad value: " + value);
        }
        if (name == "--csv") request.csvPath = path;
        if (name == "-o" || name == "--output") request.picturePath = path;
        if (value.empty()) return UsageError(arg + ": 値がありません / missing value");
    }
    if (files.size() != 1) return UsageError("コメントファイルを1つ指定して下さい / give one comment file");

    request.commentPath = files[0];
    if (request.picturePath.empty()) request.picturePath = GraphPicturePathFor(request.commentPath);
    request.width = width;
    request.height = height;
    request.timing = GraphTimingOf(settings.subtitle);

    ConsoleLineSink console;
    if (!ApplyNgSwitches(ng, true)) return 2;
    // Without a window nobody is asked: an existing file is kept unless
    // overwriting is allowed, and then neither file is written.
    static const FileFilter pictures[] = {{"PNG 画像(*.png)", "*.png"}};
    static const FileFilter tables[] = {{"CSV(*.csv)", "*.csv"}};
    if (!ConfirmOverwrite(request.picturePath, PlatformFilter(pictures, 1), L".png") ||
        (!request.csvPath.empty() && !ConfirmOverwrite(request.csvPath, PlatformFilter(tables, 1), L".csv"))) {
        InfoLog << "操作を取り消しました" << EndLine;
        return 1;
    }
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[グラフ作成 開始]" << EndLine;
    InfoLog << "XML = " << ShownPath(request.commentPath) << EndLine;
    InfoLog << "SavePath = " << ShownPath(request.picturePath) << EndLine;
    if (!request.csvPath.empty()) InfoLog << "CSV = " << ShownPath(request.csvPath) << EndLine;
    InfoLog << "Size = " << width << "x" << height << EndLine;

    ComInit com;
    const bool ok = RunWritingJob([&] {
        return ExportWithNgRules(settings.NgRuleChoice(), [&](NgFilter* filter) {
            std::wstring text;
            if (filter) {
                request.hide = [filter, &text](const ChatElement& chat) {
                    text = chat.Text();
                    return filter->Hides(NgCommentOf(chat, &text));
                };
            }
            return ExportCommentGraph(request);
        });
    }) == 0;
    if (ok) {
        InfoLog << "グラフ(PNG)を保存しました。\n\n" << ShownPath(request.picturePath) << EndLine;
    } else {
        InfoLog << "◆グラフ作成処理中にエラーが発生しました" << EndLine;
    }
    return ok ? 0 : 1;
}
