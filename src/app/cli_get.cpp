// kometori-cli get: the fetch job in batch mode, for scripts and schedules.
#include <cstdio>
#include <string>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_output.h"
#include "jobs/fetch_input.h"
#include "settings/settings.h"
#include "jobs/conversion_job.h"
#include "jobs/fetch_job.h"
#include "jobs/proxy_override.h"
#include "jobs/subtitle_job.h"
#include "support/write_guard.h"

namespace {

const char kGetUsage[] =
    "使い方: kometori-cli get [オプション] アドレス\n"
    "  アドレス            視聴ページのアドレスか動画ID。複数は \";\" で区切る\n"
    "  -o, --save-dir DIR  保存先フォルダ (既定: Kometori.ini の SavePath)\n"
    "  -n, --count N       新しい順に N 件のコメント (既定: Kometori.ini の Comment)\n"
    "  -a, --all           全て取得 (1000 件)\n"
    "  -p, --past \"YYYY-MM-DD HH:MM:SS\"  その日時 (ローカル時刻) の過去ログ\n"
    "  -y, --overwrite     既存のファイルを確認せずに上書きする\n"
    "  -t, --text          保存したコメントファイルをテキストに変換する\n"
    "  -s, --subtitles     保存したコメントファイルから字幕ファイル(ASS)を作る (Kometori.ini の [subtitle])\n"
    "  --history           全履歴: 過去ログを遡ってスレッドの全コメントを1つのファイルに (プレミアム会員)\n"
    "  --max-requests N    全履歴でメッセージサーバーに送る要求の上限 (既定: 100)\n"
    "  --archive           動画ごとに1つのファイル (アーカイブ) へまとめて保存する\n"
    "  --no-archive        アーカイブを使わない (既定: Kometori.ini の [archive] Enabled)\n"
    "  --ng FILE           テキストと字幕に NGルールのファイルを使う (既定: Kometori.ini の [ng])\n"
    "  --no-ng             NGルールを使わない\n"
    "\n"
    "Usage: kometori-cli get [options] ADDRESSES\n"
    "  ADDRESSES           one or more watch page addresses or video IDs separated by \";\"\n"
    "  -o, --save-dir DIR  save folder (default: \"SavePath\" of the INI)\n"
    "  -n, --count N       newest N comments (default: \"Comment\" of the INI)\n"
    "  -a, --all           get all (1000)\n"
    "  -p, --past \"YYYY-MM-DD HH:MM:SS\"  past log as of that local time\n"
    "  -y, --overwrite     overwrite existing files without asking\n"
    "  -t, --text          convert each saved comment file to text\n"
    "  -s, --subtitles     make a subtitle file (ASS) of each saved comment file ([subtitle] of the INI)\n"
    "  --history           the whole history: step back through past logs into one file (premium)\n"
    "  --max-requests N    at most N requests to the message server per history (default: 100)\n"
    "  --archive           keep every comment in one file per video (the archive), adding to it\n"
    "  --no-archive        dated files as without the archive (default: [archive] Enabled of the INI)\n"
    "  --ng FILE           apply the NG rules of FILE to the text and subtitle files (default: [ng] of the INI)\n"
    "  --no-ng             apply no NG rules\n"
    "Exit status: 0 every address saved, 1 a failure or a cancel (also an archive that could not be used: the reply\n"
    "is then saved beside it), 2 a usage error or NG rules that do not load.\n";

// "YYYY-MM-DD HH:MM:SS" into the six past-log fields, as the boxes hold them.
bool ParsePastDate(const std::string& text, FormValues& form) {
    int y, mo, d, h, mi, s;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) return false;
    form.Year = std::to_string(y);
    form.Month = std::to_string(mo);
    form.Day = std::to_string(d);
    form.Hour = std::to_string(h);
    form.Minute = std::to_string(mi);
    form.Second = std::to_string(s);
    return true;
}

class ConsoleFetchView : public FetchJobView {
public:
    ConsoleFetchView(bool getAll, bool text, bool subtitles) : getAll_(getAll), text_(text), subtitles_(subtitles) {}
    bool GetAllChecked() override { return getAll_; }
    bool TextConversionChecked() override { return text_; }
    bool SubtitlesChecked() override { return subtitles_; }
    // The text and subtitle files are ones the user keeps: Ctrl+C waits for them.
    bool RunConversion(const ConversionRequest& request) override {
        std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
        return RunConversionJob(request);
    }
    bool RunSubtitles(const SubtitleRequest& request) override {
        std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
        return RunSubtitleJob(request);
    }

private:
    bool getAll_;
    bool text_;
    bool subtitles_;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 2;
}

}  // namespace

int RunGetCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // the INI file is read, never written
    form.URL.clear();
    form.PastLog = false;
    form.GetAllComment = false;
    bool text = false, subtitles = false, history = false;
    int maxRequests = 100;
    std::string addresses;
    NgSwitches ng;
    for (int i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string ngError;
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        if (arg == "-h" || arg == "--help") {
            std::fputs(kGetUsage, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--save-dir") {
            if (i + 1 >= args.size()) return UsageError(kGetUsage);
            form.SavePath = args.Wide(++i);
        } else if (arg == "-n" || arg == "--count") {
            if (!value(form.Comment)) return UsageError(kGetUsage);
        } else if (arg == "-a" || arg == "--all") {
            form.GetAllComment = true;
        } else if (arg == "-p" || arg == "--past") {
            std::string date;
            if (!value(date)) return UsageError(kGetUsage);
            form.PastLog = true;
            if (!ParsePastDate(date, form)) return UsageError("過去ログの日時指定値が正しくありません。");
        } else if (arg == "-y" || arg == "--overwrite") {
            App().settings.AutoOverWrite = true;
        } else if (arg == "-t" || arg == "--text") {
            text = true;
        } else if (arg == "-s" || arg == "--subtitles") {
            subtitles = true;
        } else if (arg == "--history") {
            history = true;
        } else if (arg == "--archive" || arg == "--no-archive") {
            App().settings.archive.Enabled = arg == "--archive";
        } else if (arg == "--max-requests") {
            std::string count;
            if (!value(count)) return UsageError(kGetUsage);
            maxRequests = LeadingNumber(count);
            if (maxRequests < 1) return UsageError("--max-requests には1以上の数を指定して下さい。");
        } else if (const int taken = TakeNgSwitch(args, i, ng, ngError)) {
            if (taken < 0) return UsageError(ngError);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("不明なオプションです / unknown option: " + arg + "\n\n" + kGetUsage);
        } else {
            if (!addresses.empty()) addresses += ";";
            addresses += arg;
        }
    }
    if (history && form.PastLog) return UsageError("--history と --past は同時に指定できません。");
    form.URL = addresses;
    const InputCheck check = ValidateFetchInput(form);
    if (!check.ok) return UsageError(check.message);

    ConsoleLineSink out;
    // The rules matter only to the files made after a fetch.
    if (!ApplyNgSwitches(ng, text || subtitles)) return 2;
    RestoreProxyAtStart();
    EndOnConsoleInterrupt();
    FetchJobInput input;
    input.addressText = form.URL;
    input.saveFolder = form.SavePath;
    input.commentCount = LeadingNumber(form.Comment);
    input.pastDate = PastDateFromForm(form);
    input.autoFetch = true;  // batch mode whatever the number of addresses: never a prompt
    input.history = history;
    input.archive = App().settings.archive.Enabled;
    input.maxRequests = maxRequests;
    ConsoleFetchView view(form.GetAllComment, text, subtitles);
    const FetchJobResult result = RunFetchJob(input, view);
    ReportPeakMemory();
    return result.failed == 0 && result.cancelled == 0 && !result.stopped ? 0 : 1;
}
