#include "window/main_form.h"

#include "infolog/info_log.h"
#include "resources/resource.h"
#include "support/codepage.h"
#include "support/window.h"
#include "window/program_message.h"

namespace {

struct TextField {
    int id;
    std::string FormValues::*value;
};

// The boxes that hold texts, as the INI file keeps them; the save folder is a path of its own.
const TextField kTextFields[] = {
    {IDC_URL, &FormValues::URL},       {IDC_COMMENT, &FormValues::Comment}, {IDC_YEAR, &FormValues::Year},
    {IDC_MONTH, &FormValues::Month},   {IDC_DAY, &FormValues::Day},         {IDC_HOUR, &FormValues::Hour},
    {IDC_MINUTE, &FormValues::Minute}, {IDC_SECOND, &FormValues::Second},
};

struct CheckField {
    int id;
    bool FormValues::*value;
};

const CheckField kCheckFields[] = {
    {IDC_GETALL, &FormValues::GetAllComment},
    {IDC_TRANSLATE, &FormValues::TranslateText},
    {IDC_PASTLOG, &FormValues::PastLog},
};

bool Placeable(HWND window) { return window && !::IsIconic(window) && !::IsZoomed(window); }

// The folded window ends this far (at 96 dots per inch) above the past-log frame.
constexpr int kFoldGapAbovePastLogFrame = 2;

// Measured at a window's first fold: its full outer height and what the fold takes away.
struct Fold {
    HWND window = nullptr;
    int fullHeight = 0;
    int foldHeight = 0;
};

// Taken from the frame's own place, since the dialog grows with its font at
// every display scaling: 56 pixels at 96 dots per inch with the template's font.
int PastLogFoldHeight(HWND main) {
    RECT frame{}, client{};
    ::GetWindowRect(::GetDlgItem(main, IDC_PASTLOG_FRAME), &frame);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&frame), 2);
    ::GetClientRect(main, &client);
    return client.bottom - (frame.top - ScaleToScreen(kFoldGapAbovePastLogFrame));
}

}  // namespace

FormValues ReadForm(HWND main) {
    FormValues form;
    for (const TextField& field : kTextFields) form.*field.value = WindowText(::GetDlgItem(main, field.id));
    form.SavePath = ReadSaveFolder(main);
    for (const CheckField& field : kCheckFields) {
        form.*field.value = ::IsDlgButtonChecked(main, field.id) == BST_CHECKED;
    }
    return form;
}

void FillForm(HWND main, const FormValues& form) {
    for (const TextField& field : kTextFields) ::SetDlgItemTextA(main, field.id, (form.*field.value).c_str());
    ::SetDlgItemTextW(main, IDC_SAVEPATH, form.SavePath.c_str());
    for (const CheckField& field : kCheckFields) {
        if (form.*field.value) ::CheckDlgButton(main, field.id, BST_CHECKED);
    }
    if (form.GetAllComment) ::EnableWindow(::GetDlgItem(main, IDC_COMMENT), FALSE);
}

std::wstring ReadSaveFolder(HWND main) { return WideWindowText(::GetDlgItem(main, IDC_SAVEPATH)); }

void WarnIfSaveFolderCannotBeKept(HWND main, const std::wstring& folder) {
    static std::wstring warned;  // main thread only
    if (AppSettings::CanKeepSaveFolder(folder) || folder == warned) return;
    warned = folder;
    InfoLog << "◆保存先フォルダのパスが長すぎるため、設定ファイルに保存できません: " << ShownPath(folder) << EndLine;
    ShowProgramMessage(main, "保存先フォルダのパスが長すぎるため、設定ファイル(" + App().settings.iniFileName +
                                 ")に保存できません。\n今回の取得には使えますが、次回の起動時には前回保存したフォルダに"
                                 "戻ります。\n\n" +
                                 ShownPath(folder));
}

WindowPlacementValues ReadPlacement(HWND main, HWND info) {
    WindowPlacementValues placement;
    if (Placeable(main)) {
        placement.hasMain = true;
        placement.mainLeft = WindowLeft(main);
        placement.mainTop = WindowTop(main);
    }
    if (Placeable(info)) {
        placement.hasInfo = true;
        placement.infoLeft = WindowLeft(info);
        placement.infoTop = WindowTop(info);
        placement.infoWidth = WindowWidth(info);
        placement.infoHeight = WindowHeight(info);
    }
    return placement;
}

void FoldPastLog(HWND main) {
    static Fold fold;  // main thread only
    if (fold.window != main) fold = Fold{main, WindowHeight(main), PastLogFoldHeight(main)};
    const bool shown = ::IsDlgButtonChecked(main, IDC_PASTLOG) == BST_CHECKED;
    ResizeWindow(main, WindowWidth(main), shown ? fold.fullHeight : fold.fullHeight - fold.foldHeight);
}

void LoadSettingsIntoWindow(HWND main) {
    AppSettings& settings = App().settings;
    FormValues form;
    settings.Load(form);
    auto chosen = [](int read, int forScreen) { return read == AppSettings::kUnsetPlace ? forScreen : read; };
    // Centred for the window's size at 96 dots per inch, 455 by 134, scaled.
    MoveWindowTo(main, chosen(settings.MainLeft, (::GetSystemMetrics(SM_CXSCREEN) - ScaleToScreen(455)) / 2),
                 chosen(settings.MainTop, (::GetSystemMetrics(SM_CYSCREEN) - ScaleToScreen(134)) / 2));
    if (HWND info = InfoLog.Window()) {
        MoveWindowTo(info, settings.InfoLeft, settings.InfoTop);
        ResizeWindow(info, chosen(settings.InfoWidth, ScaleToScreen(240)),
                     chosen(settings.InfoHeight, ScaleToScreen(400)));
        if (settings.ViewInfoWindow) ::ShowWindow(info, SW_SHOWNOACTIVATE);
    }
    // Whether it stays on top is the menu's to decide.
    SetWindowBand(main, HWND_NOTOPMOST);
    FillForm(main, form);
}

bool SaveSettingsFromWindow(HWND main) {
    return App().settings.Save(ReadForm(main), ReadPlacement(main, InfoLog.Window()));
}
