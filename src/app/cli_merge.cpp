// kometori-cli merge: comment files of one thread into one, every comment once.
#include <string>
#include <vector>

#include "acquisition/comment_client.h"
#include "app/cli.h"
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "comments/comment_merge.h"
#include "infolog/info_log.h"
#include "jobs/access_pause.h"
#include "settings/settings.h"
#include "support/codepage.h"

namespace {

const char kMergeAbout[] =
    "同じスレッドのコメントファイルを1つにまとめます。コメントは番号順に1件ずつ。\n"
    "すべての属性と本文が同じコメントは1件にします。同じ番号で内容の異なるコメントは、\n"
    "どの入力でも番号が重ならない (1 以上で、1つのファイルに同じ番号の別のコメントがない)\n"
    "ときは最も新しいファイル (thread 要素の server_time、同じなら後に指定したもの) の内容を、\n"
    "そうでないとき (番号が -1 や 1 ばかりのファイルなど) はすべてを残します。\n";

}  // namespace

int RunMergeCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // AutoOverWrite; the INI file is never written
    std::wstring output;
    MergeOptions options;
    const CliCommand command{"merge",
                             "-o 出力.xml 入力.xml...",
                             kMergeAbout,
                             {
                                 {"output", 'o', "FILE", "出力するコメントファイル (入力の1つでもよい)", Store(output)},
                                 {"force", 0, nullptr, "スレッドの異なるファイルも結合する", SetFlag(options.force)},
                             }};
    CommandLine line;
    if (const auto status = ReadCommandLine(args, command, line)) return *status;
    const std::vector<std::wstring>& inputs = line.operands;
    if (output.empty() || inputs.empty()) {
        return UsageError("出力ファイルと入力ファイルを指定して下さい / give -o OUT.xml and the input files");
    }
    if (line.overwrite) App().settings.AutoOverWrite = true;

    ConsoleLineSink console;
    EndOnConsoleInterrupt();
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[コメント 結合開始]" << EndLine;
    for (const std::wstring& input : inputs) InfoLog << "XML = " << ShownPath(input) << EndLine;
    InfoLog << "SavePath = " << ShownPath(output) << EndLine;
    if (!ConfirmCommentFileOverwrite(output, &App().settings.AutoOverWrite)) {
        InfoLog << "操作を取り消しました" << EndLine;
        return 1;
    }
    options.stop = &FetchStopRequested();
    const MergeResult result = MergeCommentFiles(inputs, output, options);
    ReportPeakMemory();
    if (result.outcome != MergeOutcome::Saved) return 1;
    InfoLog << "コメント " << result.written << " 件を保存しました (読み込み " << result.read << " 件、重複 "
            << result.identical << " 件、内容の異なる番号 " << result.differing << " 件は最新のファイルの内容";
    if (result.unnumbered > 0)
        InfoLog << "、番号で見分けられないコメント " << result.unnumbered << " 件はすべて残しました";
    InfoLog << ")" << EndLine;
    InfoLog << "コメントファイルを保存しました" << EndLine;
    return 0;
}
