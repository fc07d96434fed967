// kometori-cli get: the fetch job in batch mode, for scripts and schedules.
#include <cstdio>
#include <string>

#include "app/cli.h"
#include "app/cli_ng.h"
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "jobs/fetch_input.h"
#include "settings/settings.h"
#include "jobs/conversion_job.h"
#include "jobs/fetch_job.h"
#include "jobs/proxy_override.h"
#include "jobs/subtitle_job.h"
#include "support/codepage.h"
#include "support/write_guard.h"

namespace {

const char kGetAbout[] =
    "視聴ページのアドレスか動画IDごとに、コメントを取得してコメントファイルに保存します。\n"
    "アドレスは複数並べるか \";\" で区切ります。ログインには Kometori.ini の Mail と Pass を使います。\n"
    "NGルールは -t と -s で作るファイルに使います。\n";

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

}  // namespace

int RunGetCommand(const CommandArguments& args) {
    FormValues form;
    App().settings.Load(form);  // the INI file is read, never written
    form.URL.clear();
    form.PastLog = false;
    form.GetAllComment = false;
    bool text = false, subtitles = false, history = false;
    int maxRequests = 100;
    CliCommand command{
        "get",
        "アドレス",
        kGetAbout,
        {
            {"save-dir", 'o', "DIR", "保存先フォルダ (既定: Kometori.ini の SavePath)", Store(form.SavePath)},
            {"count", 'n', "N", "新しい順に N 件のコメント (既定: Kometori.ini の Comment)", Store(form.Comment)},
            {"all", 'a', nullptr, "全て取得 (1000 件)", SetFlag(form.GetAllComment)},
            {"past", 'p', "\"YYYY-MM-DD HH:MM:SS\"", "その日時 (ローカル時刻) の過去ログを取得する",
             [&](const OptionValue& value, std::string& error) {
                 form.PastLog = true;
                 if (ParsePastDate(value.text, form)) return true;
                 error = "過去ログの日時指定値が正しくありません。";
                 return false;
             }},
            {"text", 't', nullptr, "保存したコメントファイルをテキストに変換する", SetFlag(text)},
            {"subtitles", 's', nullptr,
             "保存したコメントファイルから字幕ファイル(ASS)を作る (Kometori.ini の [subtitle])", SetFlag(subtitles)},
            {"history", 0, nullptr, "全履歴: 過去ログを遡ってスレッドの全コメントを1つのファイルに (プレミアム会員)",
             SetFlag(history)},
            {"archive", 0, nullptr, "動画ごとに1つのファイル (アーカイブ) へまとめて保存する",
             [](const OptionValue&, std::string&) { return App().settings.archive.Enabled = true; }},
            {"no-archive", 0, nullptr, "アーカイブを使わない (既定: Kometori.ini の [archive] Enabled)",
             [](const OptionValue&, std::string&) { return !(App().settings.archive.Enabled = false); }},
            {"max-requests", 0, "N", "全履歴でメッセージサーバーに送る要求の上限 (既定: 100)",
             [&](const OptionValue& value, std::string& error) {
                 maxRequests = LeadingNumber(value.text);
                 if (maxRequests >= 1) return true;
                 error = "--max-requests には1以上の数を指定して下さい。";
                 return false;
             }},
        },
        true};
    // Laid over the INI's [subtitle] for this run.
    for (CliOption& option : SubtitleCliOptions(App().settings.subtitle)) command.options.push_back(std::move(option));
    CommandLine line;
    if (const auto status = ReadCommandLine(args, command, line)) return *status;
    std::string addresses;
    for (const std::wstring& operand : line.operands) {
        if (!addresses.empty()) addresses += ";";
        addresses += WideToAnsi(operand);
    }
    if (line.overwrite) App().settings.AutoOverWrite = true;
    if (history && form.PastLog) return UsageError("--history と --past は同時に指定できません。");
    form.URL = addresses;
    const InputCheck check = ValidateFetchInput(form);
    if (!check.ok) return UsageError(check.message);

    ConsoleLineSink out;
    // The rules matter only to the files made after a fetch.
    if (!ApplyNgSwitches(line.ng, text || subtitles)) return 2;
    RestoreProxyAtStart();
    EndOnConsoleInterrupt();
    FetchJobInput input;
    input.addressText = form.URL;
    input.saveFolder = form.SavePath;
    input.commentCount = LeadingNumber(form.Comment);
    input.pastDate = PastDateFromForm(form);
    input.batch = true;  // whatever the number of addresses: never a message box
    input.history = history;
    input.archive = App().settings.archive.Enabled;
    input.maxRequests = maxRequests;
    ConsoleFetchView view(form.GetAllComment, text, subtitles);
    const FetchJobResult result = RunFetchJob(input, view);
    ReportPeakMemory();
    return result.failed == 0 && result.cancelled == 0 && !result.stopped ? 0 : 1;
}
