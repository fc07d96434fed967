#include "window/main_window.h"

#include <shellapi.h>

#include "acquisition/prompts.h"
#include "infolog/info_log.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/window.h"
#include "window/auto_fetch.h"
#include "window/conversion_view.h"
#include "window/fetch_view.h"
#include "window/info_window.h"
#include "window/main_commands.h"
#include "window/main_end.h"
#include "window/main_form.h"
#include "window/main_view.h"
#include "window/program_message.h"
#include "window/version_check.h"
#include "window/viewer_window.h"
#include "window/window_prompts.h"
#include "window/workers.h"

namespace {

const wchar_t kClassName[] = L"CKometori";
const char kStopPrompt[] =
    "現在処理中です。\n\n[はい]を選択するとソフトを強制終了します。\n[いいえ]を選択すると処理を途中停止します。";

const int kBorderedEdits[] = {IDC_URL, IDC_SAVEPATH, IDC_COMMENT, IDC_YEAR,  IDC_MONTH,
                              IDC_DAY, IDC_HOUR,     IDC_MINUTE,  IDC_SECOND};

struct Tip {
    int id;
    const char* text;  // null: the address tip, built from the site settings
};

// In the order they are added. The download-address text belongs to the "DL"
// button that opens the address; the past-log frame has no tip.
const Tip kTips[] = {
    {IDC_URL, nullptr},
    {IDC_SAVEPATH,
     "コメントファイルの保存フォルダを入力して下さい\r\n(右側にある\"...\"ボタンを押して保存フォルダをダイアログから"
     "選択することもできます)"},
    {IDC_COMMENT, "取得するコメント数を入力して下さい"},
    {IDC_GETALL, "チェックするとダウンロードできる全てのコメントを取得します\r\n(現在は1000件です)"},
    {IDC_TRANSLATE,
     "チェックするとコメントファイル取得後、テキストファイルに変換します\r\nまた、ソフトへ.xmlファイルをドラッグ＆"
     "ドロップすることでテキストファイルへの変換をすることもできます"},
    {IDC_PASTLOG, "日時を指定して過去のコメントを取得します\r\n(プレミアムユーザーログイン時のみ可能です)"},
    {IDC_DOWNLOAD,
     "動画ファイルのダウンロードURLを開きます\r\nメニュー→[表示]からダウンロードURLを表示することもできます"},
    {IDC_BROWSE, "保存先フォルダ選択ダイアログを開きます"},
    {IDC_FETCH, "コメントファイルの取得を開始します"},
    {IDC_YEAR, "年を指定します"},
    {IDC_MONTH, "月を指定します"},
    {IDC_DAY, "日を指定します"},
    {IDC_HOUR, "時を指定します"},
    {IDC_MINUTE, "分を指定します"},
    {IDC_SECOND, "秒を指定します"},
};

std::string AddressTip() {
    return "コメントを取得する動画のURLを入力して下さい\r\nURLをセミコロン( ; "
           ")で区切って複数指定することもできます\r\n(" +
           App().settings.site.WatchPrefix() +
           "は省略できます)\r\n\r\nまた、SHIFTかCONTROLキーを押しながらウィンドウに動画名(sm*****等)を含むファイルを"
           "D＆Dすると、\r\nファイル名からURLを抽出できます";
}

// The questions of the fetch job, asked with the window's dialogs. Workers
// let go by an earlier window may still hold it, so it lives on.
WindowPrompts& MainPrompts() {
    static WindowPrompts prompts(nullptr);
    return prompts;
}

void AddTips(HWND main) {
    MainWindowState& s = MainState();
    // Without an owner: Wine cannot move a window into the topmost band while
    // it owns a popup. The state destroys the tips with the window.
    s.tips = std::make_unique<ToolTips>(nullptr, ::GetModuleHandleA(nullptr), TTS_ALWAYSTIP | TTS_BALLOON);
    s.tips->SetBackgroundColour(RGB(0x59, 0x78, 0xAC));
    s.tips->SetTextColour(RGB(0xFF, 0xFF, 0xFF));
    s.addressTip = AddressTip();
    for (const Tip& tip : kTips)
        s.tips->AddTool(::GetDlgItem(main, tip.id), tip.text ? tip.text : s.addressTip.c_str());
}

void OnInitDialog(HWND main) {
    MainWindowState& s = MainState();
    s = MainWindowState();
    s.window = main;
    ResetMainView(main);
    CBaseDebug::SetCommandTarget(main);
    MainPrompts().SetOwner(main);
    SetPrompts(&MainPrompts());

    for (int id : kBorderedEdits) AddBorder(::GetDlgItem(main, id));
    AddTips(main);
    LoadSettingsIntoWindow(main);
    // The window's height follows the past-log box from the start.
    ::SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_PASTLOG, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_PASTLOG)));
    if (App().settings.NotifyVersionUp) StartVersionCheck(main);
    ApplySettingsToMenu(main);
    ::ShowWindow(main, SW_SHOW);
}

void OnClose(HWND main) {
    if (!FetchRunning() && !ConversionRunning()) {
        EndProgram(main);
        return;
    }
    switch (ShowProgramMessage(main, kStopPrompt, MB_YESNOCANCEL)) {
        case IDYES:
            EndProgram(main);  // the workers are asked to stop when the loop has ended
            break;
        case IDNO: {
            // One stop line for both jobs.
            const bool converting = StopConversion(main);
            if (!StopFetch(main) && converting) InfoLog << "処理を途中停止しました" << EndLine;
            if (MainViewFacts().autoFetch) EndAutoFetch(main);
            break;
        }
        default: break;
    }
}

void OnNcDestroy(HWND main) {
    MainWindowState& s = MainState();
    if (s.window != main) return;
    // Nothing is left for the workers to show.
    AskAllWorkersToStop();
    SetPrompts(nullptr);
    MainPrompts().SetOwner(nullptr);
    CBaseDebug::SetCommandTarget(nullptr);
    s = MainWindowState();
}

INT_PTR CALLBACK MainDialogProc(HWND main, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: OnInitDialog(main); return TRUE;  // the focus goes to the address box
        case WM_COMMAND: return RunCommand(main, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DROPFILES:
            HandleFileDrop(main, reinterpret_cast<HDROP>(wParam));
            ::SetWindowLongPtrA(main, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_CLOSE: OnClose(main); return TRUE;
        case WM_DESTROY: EndProgram(main); return TRUE;
        case WM_NCDESTROY: OnNcDestroy(main); return FALSE;
        case kWorkerCallMessage:
            ::SetWindowLongPtrA(main, DWLP_MSGRESULT, HandleWorkerCall(wParam, lParam) ? 1 : 0);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

MainWindowState& MainState() {
    static MainWindowState state;
    return state;
}

// A Unicode window, so that the save folder box holds any character: its
// controls are made Unicode from the template, and the message loop keeps
// typed characters in UTF-16. The program's own texts still go in and out in
// the ANSI code page; the system converts them.
HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefDlgProcW;  // the dialog manager calls MainDialogProc
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_KOMETORI));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_KOMETORI), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                 LR_DEFAULTCOLOR));
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_MAINMENU);
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
}

int RunMessageLoop(HWND main) {
    // Wide: a narrow loop would turn a typed character the code page lacks into "?".
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (HandleViewerKeys(message) || ::IsDialogMessageW(main, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
