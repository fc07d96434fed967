#include "window/conversion_view.h"

#include <memory>
#include <mutex>
#include <vector>

#include "acquisition/naming.h"
#include "infolog/info_log.h"
#include "jobs/data_export_job.h"
#include "jobs/file_drop.h"
#include "jobs/subtitle_job.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/drop_handle.h"
#include "support/files.h"
#include "support/handles.h"
#include "support/window.h"
#include "support/write_guard.h"
#include "window/main_view.h"
#include "window/program_message.h"
#include "window/workers.h"

namespace {

const FileFilter kCommentFiles[] = {{"コメントファイル(*.xml)", "*.xml"}};
// The save dialog's two types, in this order.
const FileFilter kDataFiles[] = {{"JSON Lines(*.jsonl)", "*.jsonl"}, {"CSV(*.csv)", "*.csv"}};

// The job holds its own copy of the request, so a later conversion never
// changes what a running one reads. A conversion still running from before
// finishes its file and shows its outcome; the window shows the new one.
void StartConversion(HWND main, MainEvent started, WindowConversionView::Job job) {
    const bool begun = ConversionWorker().Start(
        [main, job = std::move(job)](JobTicket& ticket) {
            WindowConversionView view(main, ticket, false);
            view.Run(job);
            CallOnWindow(main, ticket, [main] { ShowMainEvent(main, MainEvent::ConversionEnded); });
        },
        true);
    if (begun) ShowMainEvent(main, started);
}

void StartTextConversion(HWND main, const std::wstring& commentPath) {
    std::wstring textPath;
    if (!ChooseTextFilePath(commentPath, textPath)) return;
    const ConversionRequest request{commentPath, textPath, App().settings.Format, TextSavedMessage(textPath), false};
    StartConversion(main, MainEvent::TextConversionStarted,
                    [request](ConversionView* view) { return RunConversionJob(request, view); });
}

// Held at the moment of the drop, whichever window had the keyboard.
bool KeyHeld(int key) { return (::GetAsyncKeyState(key) & 0x8000) != 0; }

}  // namespace

bool WindowConversionView::Run(const Job& job) {
    outcome_.clear();
    bool ok;
    {
        std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
        ok = job(this);
    }
    if (!outcome_.empty()) {
        if (ticket_.stop) {
            InfoLog << outcomeLine_ << EndLine;
        } else {
            ShowProgramMessage(main_, outcome_);
        }
    }
    return ok;
}

void WindowConversionView::Show(MainEvent event, int percent) {
    HWND main = main_;
    CallOnWindow(main_, ticket_, [main, event, percent] { ShowMainEvent(main, event, percent); });
}

void WindowConversionView::ShowPercent(int percent) {
    Show(ofFetchJob_ ? MainEvent::FetchExtracting : MainEvent::ConversionExtracting, percent);
}

void WindowConversionView::ShowDone() {
    Show(ofFetchJob_ ? MainEvent::FetchExtracted : MainEvent::ConversionExtracted);
}

void ConvertChosenFile(HWND main) {
    std::wstring commentPath;
    if (ChooseOpenFile(main, PlatformFilter(kCommentFiles, 1), commentPath)) StartTextConversion(main, commentPath);
}

void ConvertChosenFileToSubtitles(HWND main) {
    std::wstring commentPath, assPath;
    if (!ChooseOpenFile(main, PlatformFilter(kCommentFiles, 1), commentPath) ||
        !ChooseSubtitleFilePath(commentPath, assPath)) {
        return;
    }
    const SubtitleRequest request{commentPath, assPath, App().settings.subtitle, SubtitleSavedMessage(assPath), false};
    StartConversion(main, MainEvent::SubtitleConversionStarted,
                    [request](ConversionView* view) { return RunSubtitleJob(request, view); });
}

void ExportChosenFileAsData(HWND main) {
    std::wstring commentPath;
    if (!ChooseOpenFile(main, PlatformFilter(kCommentFiles, 1), commentPath)) return;
    std::wstring output = DataFilePathFor(commentPath, DataFormat::JsonLines);
    DWORD type = 1;
    if (!ChooseSaveFile(main, PlatformFilter(kDataFiles, 2), output, type, L"jsonl")) return;
    // The save dialog asked about the data file; its manifest goes with it,
    // but one left beside a data file that is gone is asked about.
    const std::wstring manifest = ManifestPathFor(output);
    if (!FileExists(output) && FileExists(manifest) &&
        ShowProgramMessage(main, L"ファイルは既に存在しています。\n上書き保存しますか？\n\n" + manifest,
                           MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    DataExportRequest request;
    request.options.inputs = {commentPath};
    request.options.output = output;
    request.options.format = DataFormatOf(output, type == 2 ? DataFormat::Csv : DataFormat::JsonLines);
    request.completionMessage = DataSavedMessage(output);
    StartConversion(main, MainEvent::DataExportStarted,
                    [request](ConversionView* view) { return RunDataExportJob(request, view); });
}

void HandleFileDrop(HWND main, HDROP drop) {
    const DropHandle owner(drop);
    // A busy window takes no drops; one that still arrives is let go.
    if (!(::GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) return;
    const std::vector<std::wstring> files = DroppedFiles(drop);
    if (files.size() > 1) {
        ShowProgramMessage(main, "ファイルは１つずつドロップして下さい。");
        return;
    }
    if (files.empty()) return;
    const std::wstring& path = files[0];

    if (!KeyHeld(VK_CONTROL) && !KeyHeld(VK_SHIFT)) {
        if (!IsDroppableCommentFile(path)) {
            ShowProgramMessage(main, "XMLファイルではありません。");
        } else if (ShowProgramMessage(main, "XMLファイルの内容をテキストファイルへ抽出しますか？", MB_YESNOCANCEL) ==
                   IDYES) {
            StartTextConversion(main, path);
        }
        return;
    }
    const std::string address = ExtractVideoAddress(path);
    if (address.empty()) {
        ShowProgramMessage(main,
                           "URLの抽出に失敗しました。\nファイル名内に(sm*****)などの動画名が含まれているか確認して"
                           "下さい。");
        return;
    }
    ::SetDlgItemTextA(main, IDC_URL, address.c_str());
}

bool ConversionRunning() { return ConversionWorker().Running(); }

bool StopConversion(HWND main) {
    const bool running = ConversionWorker().Release();
    if (running) ShowMainEvent(main, MainEvent::ConversionEnded);
    return running;
}
