// kometori-cli graph: a comment file's density graph as a PNG picture and,
// when asked, its per-second figures as CSV, with the lines of the info log
// on standard output.
#include <string>
#include <vector>

#include "acquisition/naming.h"
#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "comments/comment_reader.h"
#include "export/graph_export.h"
#include "ng/ng_rule_file.h"
#include "infolog/info_log.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/com.h"

namespace {

const char kGraphAbout[] =
    "コメントファイル(XML)から、動画の1秒ごとに画面に出ているコメントの数のグラフを\n"
    "PNG 画像に描き、多い順に5つのピークを表示します。\n"
    "流れるコメントは ScrollTime、ue と shita は FixedTime の間 (Kometori.ini の [subtitle]) 数えます。\n";

// Digits only, within [min, max].
bool ReadSide(const std::string& text, int min, int max, int& value) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return value >= min && value <= max;
}

OptionAction StoreSide(int min, int max, int& side) {
    return [min, max, &side](const OptionValue& value, std::string&) { return ReadSide(value.text, min, max, side); };
}

std::string SideHelp(const char* what, int min, int max, int side) {
    return std::string(what) + " (ピクセル、" + std::to_string(min) + "～" + std::to_string(max) + ") [" +
           std::to_string(side) + "]";
}

// Without a window nobody is asked: an existing file is kept unless
// overwriting is allowed, and then neither file is written.
bool MayWriteGraphFiles(GraphExport& request) {
    static const FileFilter pictures[] = {{"PNG 画像(*.png)", "*.png"}};
    static const FileFilter tables[] = {{"CSV(*.csv)", "*.csv"}};
    bool* autoOverwrite = &App().settings.AutoOverWrite;
    return ConfirmOverwrite(request.picturePath, PlatformFilter(pictures, 1), L".png", autoOverwrite) &&
           (request.csvPath.empty() ||
            ConfirmOverwrite(request.csvPath, PlatformFilter(tables, 1), L".csv", autoOverwrite));
}

void LogGraphStart(const GraphExport& request) {
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[グラフ作成 開始]" << EndLine;
    InfoLog << "XML = " << ShownPath(request.commentPath) << EndLine;
    InfoLog << "SavePath = " << ShownPath(request.picturePath) << EndLine;
    if (!request.csvPath.empty()) InfoLog << "CSV = " << ShownPath(request.csvPath) << EndLine;
    InfoLog << "Size = " << request.width << "x" << request.height << EndLine;
}

// The graph with the comments the rules hide left out; the exit status.
int DrawGraph(GraphExport& request, const NgChoice& ng) {
    ComInit com;
    const bool ok = RunWritingJob([&] {
                        return ExportWithNgRules(ng, [&](NgFilter* filter) {
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

}  // namespace

int RunGraphCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // the INI file is read, never written
    AppSettings& settings = App().settings;
    GraphExport request;
    const CliCommand command{
        "graph",
        "コメントファイル.xml",
        kGraphAbout,
        {
            {"output", 'o', "FILE", "PNG 画像 (既定: コメントファイル.xml の拡張子を \".png\" に替えた名前)",
             StoreFile(request.picturePath)},
            {"width", 0, "N", SideHelp("幅", kGraphMinSide, kGraphMaxWidth, request.width),
             StoreSide(kGraphMinSide, kGraphMaxWidth, request.width)},
            {"height", 0, "N", SideHelp("高さ", kGraphMinSide, kGraphMaxHeight, request.height),
             StoreSide(kGraphMinSide, kGraphMaxHeight, request.height)},
            {"csv", 0, "FILE", "1秒ごとの数を CSV (second,posted,on_screen) でも書き出す", StoreFile(request.csvPath)},
        },
        true};
    CommandLine line;
    if (const auto status = ReadCommandLine(args, command, line)) return *status;
    if (line.operands.size() != 1) return UsageError("コメントファイルを1つ指定して下さい / give one comment file");
    if (line.overwrite) settings.AutoOverWrite = true;

    request.commentPath = line.operands[0];
    if (request.picturePath.empty()) request.picturePath = GraphPicturePathFor(request.commentPath);
    request.timing = GraphTimingOf(settings.subtitle);

    ConsoleLineSink console;
    if (!ApplyNgSwitches(line.ng, true)) return 2;
    if (!MayWriteGraphFiles(request)) {
        InfoLog << "操作を取り消しました" << EndLine;
        return 1;
    }
    LogGraphStart(request);
    return DrawGraph(request, settings.NgRuleChoice());
}
