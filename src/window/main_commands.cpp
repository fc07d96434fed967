#include "window/main_commands.h"

#include "infolog/info_log.h"
#include "jobs/fetch_input.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/files.h"
#include "support/window.h"
#include "window/auto_fetch.h"
#include "window/conversion_view.h"
#include "window/download_view.h"
#include "window/fetch_view.h"
#include "window/main_end.h"
#include "window/main_form.h"
#include "window/ng_rule_dialog.h"
#include "window/program_message.h"
#include "window/shell_open.h"
#include "window/viewer_window.h"

namespace {

HWND Item(HWND main, int id) { return ::GetDlgItem(main, id); }

bool Checked(HWND main, int id) { return ::IsDlgButtonChecked(main, id) == BST_CHECKED; }

void ApplyInfoWindow(HWND, bool on) {
    if (HWND info = InfoLog.Window()) ::ShowWindow(info, on ? SW_SHOW : SW_HIDE);
}

void ApplyTopMost(HWND main, bool on) { SetWindowBand(main, on ? HWND_TOPMOST : HWND_NOTOPMOST); }

// The setting a check mark stands for, top-level or in a section.
template <bool AppSettings::*flag>
bool& Flag(AppSettings& settings) {
    return settings.*flag;
}
bool& NgApply(AppSettings& settings) { return settings.ng.Apply; }
bool& ArchiveEnabled(AppSettings& settings) { return settings.archive.Enabled; }

// Check-mark items: the mark is the setting's live state.
struct Toggle {
    WORD id;
    bool& (*flag)(AppSettings& settings);
    void (*apply)(HWND main, bool on);  // what else follows the mark; may be null
    bool restartNotice;                 // the setting takes effect at the next start
};

const Toggle kToggles[] = {
    {IDM_TOPMOST, Flag<&AppSettings::WindowTopMost>, ApplyTopMost, false},
    {IDM_INFO_WINDOW, Flag<&AppSettings::ViewInfoWindow>, ApplyInfoWindow, false},
    {IDM_ALWAYS_OVERWRITE, Flag<&AppSettings::AutoOverWrite>, nullptr, false},
    {IDM_COMPLETE_BEEP, Flag<&AppSettings::CompleteBeep>, nullptr, false},
    {IDM_TEXT_UTF8, Flag<&AppSettings::TextOutUTF8>, nullptr, false},
    {IDM_DIRECT_CONNECTION, Flag<&AppSettings::AlwaysDirectConnection>, nullptr, true},
    {IDM_NOTIFY_VERSION, Flag<&AppSettings::NotifyVersionUp>, nullptr, false},
    {IDM_APPLY_NG_RULES, NgApply, nullptr, false},
    {IDM_ARCHIVE, ArchiveEnabled, nullptr, false},
};

void RunToggle(HWND main, const Toggle& toggle) {
    if (toggle.restartNotice) {
        ShowProgramMessage(main, "設定内容を反映させるには、" + App().programName + "を再起動して下さい。");
    }
    HMENU menu = ::GetMenu(main);
    ToggleMenuCheck(menu, toggle.id);
    const bool on = IsMenuItemChecked(menu, toggle.id);
    toggle.flag(App().settings) = on;
    if (toggle.apply) toggle.apply(main, on);
}

void OnEditFocus(HWND main, WORD id, WORD code, HWND control) {
    if (code == EN_SETFOCUS && control == Item(main, id)) SelectAllOnFocus(control);
}

void OnBrowse(HWND main, WORD, WORD, HWND) {
    std::wstring folder;
    if (BrowseSaveFolder(main, "コメントの保存フォルダを選択して下さい。", ReadSaveFolder(main), folder) &&
        !folder.empty()) {
        ::SetDlgItemTextW(main, IDC_SAVEPATH, folder.c_str());
        WarnIfSaveFolderCannotBeKept(main, folder);
    }
}

void OnGetAll(HWND main, WORD, WORD, HWND) { ::EnableWindow(Item(main, IDC_COMMENT), !Checked(main, IDC_GETALL)); }

void OnPastLogFold(HWND main, WORD, WORD, HWND) { FoldPastLog(main); }

void OnFetch(HWND main, WORD, WORD, HWND) {
    // The button and the menu item are off while a job runs.
    if (!FetchRunning() && CheckFetchInput(main)) StartFetch(main);
}

void OnFetchHistory(HWND main, WORD, WORD, HWND) {
    if (!FetchRunning() && CheckFetchInput(main)) StartFetch(main, true);
}

void OnStop(HWND main, WORD, WORD, HWND) { StopFetch(main); }

void OnConvert(HWND main, WORD, WORD, HWND) { ConvertChosenFile(main); }

void OnConvertSubtitles(HWND main, WORD, WORD, HWND) { ConvertChosenFileToSubtitles(main); }

void OnExportData(HWND main, WORD, WORD, HWND) { ExportChosenFileAsData(main); }

void OnEditNgRules(HWND main, WORD, WORD, HWND) { RunNgRuleDialog(main); }

void OnExit(HWND main, WORD, WORD, HWND) { EndProgram(main); }

void OnWeb(HWND main, WORD, WORD, HWND) { OpenWithShell(main, App().settings.site.AuthorPage()); }

void OnHelp(HWND main, WORD, WORD, HWND) {
    // The manual lies beside the program; the start folder (a shortcut's, a
    // console's) holds only the INI file.
    OpenWithShell(main, ProgramFolder() + L"\\readme.txt", L"open");
}

void OnAbout(HWND main, WORD, WORD, HWND) {
    const AppContext& app = App();
    ShowProgramMessage(main, "\n" + app.programName + "  Ver." + app.versionText + "\n\n" + "Webページ ： " +
                                 app.settings.site.AuthorPage() + "\n" + "Eメール ： " + app.settings.site.AuthorMail +
                                 "\n" + "\n" + "実行フォルダ ： " + ShownPath(app.startDirectory) + "\n\n");
}

void OnOpenSaveFolder(HWND main, WORD, WORD, HWND) {
    const std::wstring folder = ReadSaveFolder(main);
    if (!FileExists(folder)) return;
    OpenWithShell(main, folder, L"open");
}

void OnDownloadAddress(HWND main, WORD id, WORD, HWND) { StartDownloadAddressJob(main, id); }

void OnAutoFetch(HWND main, WORD, WORD, HWND) { ToggleAutoFetch(main); }

void OnInterval(HWND main, WORD, WORD, HWND) { RunIntervalDialog(main); }

void OnViewer(HWND main, WORD, WORD, HWND) { OpenViewerOfChosenFile(main); }

using Handler = void (*)(HWND main, WORD id, WORD code, HWND control);

struct Command {
    WORD id;
    Handler handler;
};

const Command kCommands[] = {
    {IDC_URL, OnEditFocus},
    {IDC_SAVEPATH, OnEditFocus},
    {IDC_COMMENT, OnEditFocus},
    {IDC_BROWSE, OnBrowse},
    {IDC_GETALL, OnGetAll},
    {IDC_PASTLOG, OnPastLogFold},
    {IDC_FETCH, OnFetch},
    {IDM_FETCH, OnFetch},
    {IDM_STOP, OnStop},
    {IDC_DOWNLOAD, OnDownloadAddress},
    {IDM_OPEN_DOWNLOAD, OnDownloadAddress},
    {IDM_SHOW_DOWNLOAD, OnDownloadAddress},
    {IDM_EXIT, OnExit},
    {IDM_WEB, OnWeb},
    {IDM_HELP, OnHelp},
    {IDM_ABOUT, OnAbout},
    {IDM_CONVERT, OnConvert},
    {IDM_CONVERT_SUBTITLES, OnConvertSubtitles},
    {IDM_FETCH_HISTORY, OnFetchHistory},
    {IDM_EDIT_NG_RULES, OnEditNgRules},
    {IDM_EXPORT_DATA, OnExportData},
    {IDM_AUTO_FETCH, OnAutoFetch},
    {IDM_INTERVAL, OnInterval},
    {IDM_OPEN_SAVE_FOLDER, OnOpenSaveFolder},
    {IDM_VIEWER, OnViewer},
};

}  // namespace

bool RunCommand(HWND main, WORD id, WORD code, HWND control) {
    if (id == 0) return false;
    for (const Command& command : kCommands) {
        if (command.id == id) {
            command.handler(main, id, code, control);
            return true;
        }
    }
    for (const Toggle& toggle : kToggles) {
        if (toggle.id == id) {
            RunToggle(main, toggle);
            return true;
        }
    }
    return false;
}

void ApplySettingsToMenu(HWND main) {
    HMENU menu = ::GetMenu(main);
    for (const Toggle& toggle : kToggles) SetMenuCheck(menu, toggle.id, toggle.flag(App().settings));
    if (App().settings.WindowTopMost) ApplyTopMost(main, true);
}

bool CheckFetchInput(HWND main) {
    // A round of automatic fetching that comes while the last refusal is still
    // shown waits for the next round, so refusals never pile up.
    static bool refusalShown = false;
    if (refusalShown) return false;
    const FormValues form = ReadForm(main);
    const InputCheck check = ValidateFetchInput(form);
    refusalShown = true;
    if (check.ok) {
        // A typed folder is set when it is first used.
        WarnIfSaveFolderCannotBeKept(main, form.SavePath);
    } else {
        ShowProgramMessage(main, check.message);
    }
    refusalShown = false;
    if (check.ok) return true;
    switch (check.focus) {
        case InputField::Address: ::SetFocus(Item(main, IDC_URL)); break;
        case InputField::SaveFolder: ::SetFocus(Item(main, IDC_SAVEPATH)); break;
        case InputField::Count: ::SetFocus(Item(main, IDC_COMMENT)); break;
        case InputField::CountSelectAll: SelectAllOnFocus(Item(main, IDC_COMMENT)); break;
        default: break;
    }
    return false;
}
