// kometori-cli merge: comment files of one thread into one, every comment once.
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/comment_client.h"
#include "app/cli.h"
#include "app/cli_output.h"
#include "comments/comment_merge.h"
#include "infolog/info_log.h"
#include "jobs/fetch_job.h"
#include "settings/settings.h"
#include "support/codepage.h"

namespace {

const char kMergeUsage[] =
    "使い方: kometori-cli merge -o 出力.xml [オプション] 入力.xml...\n"
    "  同じスレッドのコメントファイルを1つにまとめます。コメントは番号順に1件ずつ。\n"
    "  すべての属性と本文が同じコメントは1件にします。同じ番号で内容の異なるコメントは、\n"
    "  どの入力でも番号が重ならない (1 以上で、1つのファイルに同じ番号の別のコメントがない)\n"
    "  ときは最も新しいファイル (thread 要素の server_time、同じなら後に指定したもの) の内容を、\n"
    "  そうでないとき (番号が -1 や 1 ばかりのファイルなど) はすべてを残します。\n"
    "  -o, --output FILE   出力するコメントファイル (入力の1つでもよい)\n"
    "  -y, --overwrite     既存のファイルを確認せずに上書きする\n"
    "  --force             スレッドの異なるファイルも結合する\n"
    "\n"
    "Usage: kometori-cli merge -o OUT.xml [options] IN.xml...\n"
    "  Merges comment files of one thread: every comment once, ordered by number. Chats equal\n"
    "  in every attribute and text are one comment. Comments that differ under the same number\n"
    "  keep the newest file's version (the thread element's server_time; the later listed file\n"
    "  when equal) where the number identifies them (1 or above, and no file holds two different\n"
    "  comments under it); otherwise (files numbered -1 or 1 throughout) all are kept.\n"
    "  -o, --output FILE   the merged comment file (may be one of the inputs)\n"
    "  -y, --overwrite     overwrite an existing file without asking\n"
    "  --force             merge files of different threads too\n"
    "Exit status: 0 saved, 1 a failure or a cancel, 2 a usage error.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 2;
}

}  // namespace

int RunMergeCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // AutoOverWrite; the INI file is never written
    std::wstring output;
    std::vector<std::wstring> inputs;
    MergeOptions options;
    for (int i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kMergeUsage, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= args.size()) return UsageError(kMergeUsage);
            output = args.Wide(++i);
        } else if (arg == "-y" || arg == "--overwrite") {
            App().settings.AutoOverWrite = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("不明なオプションです / unknown option: " + arg + "\n\n" + kMergeUsage);
        } else {
            inputs.push_back(args.Wide(i));
        }
    }
    if (output.empty() || inputs.empty()) {
        return UsageError("出力ファイルと入力ファイルを指定して下さい / give -o OUT.xml and the input files\n\n" +
                          std::string(kMergeUsage));
    }

    ConsoleLineSink console;
    EndOnConsoleInterrupt();
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[コメント 結合開始]" << EndLine;
    for (const std::wstring& input : inputs) InfoLog << "XML = " << ShownPath(input) << EndLine;
    InfoLog << "SavePath = " << ShownPath(output) << EndLine;
    if (!ConfirmCommentFileOverwrite(output)) {
        InfoLog << "操作を取り消しました" << EndLine;
        return 1;
    }
    options.stop = &FetchStopRequested();
    const MergeResult result = MergeCommentFiles(inputs, output, options);
    ReportPeakMemory();
    if (result.outcome != MergeOutcome::Saved) return 1;
    InfoLog << "コメント " << result.written << " 件を保存しました (読み込み " << result.read << " 件、重複 "
            << result.identical << " 件、内容の異なる番号 " << result.differing << " 件は最新のファイルの内容";
    if (result.unnumbered > 0) InfoLog << "、番号で見分けられないコメント " << result.unnumbered << " 件はすべて残しました";
    InfoLog << ")" << EndLine;
    InfoLog << "コメントファイルを保存しました" << EndLine;
    return 0;
}
