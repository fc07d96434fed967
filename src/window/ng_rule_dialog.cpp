#include "window/ng_rule_dialog.h"

#include <string>

#include "ng/ng_rule_file.h"
#include "ng/ng_rule_text.h"
#include "infolog/info_log.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/window.h"
#include "window/program_message.h"

namespace {

// Posted at start when the file was not UTF-8, so the note follows the dialog.
constexpr UINT kShowAnsiNote = WM_APP + 1;

struct DialogData {
    std::wstring path;
    NgRuleDocument document;
    SIZE smallest{};  // the template's window size
    SIZE client{};    // the client size the controls stand for
};

// What a control does when the dialog is resized: follows the right and
// bottom edges, or grows with them.
struct Anchor {
    int id;
    bool moveX, moveY, growX, growY;
};

const Anchor kAnchors[] = {
    {IDC_NG_PATH, false, false, true, false}, {IDC_NG_HINT, false, false, true, false},
    {IDC_NG_RULES, false, false, true, true}, {IDOK, true, true, false, false},
    {IDCANCEL, true, true, false, false},
};

DialogData* Data(HWND dialog) { return reinterpret_cast<DialogData*>(::GetWindowLongPtrW(dialog, GWLP_USERDATA)); }

HWND RulesBox(HWND dialog) { return ::GetDlgItem(dialog, IDC_NG_RULES); }

void Place(HWND dialog, DialogData& data, int width, int height) {
    const int dx = width - data.client.cx, dy = height - data.client.cy;
    for (const Anchor& anchor : kAnchors) {
        HWND control = ::GetDlgItem(dialog, anchor.id);
        RECT r{};
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        ::MoveWindow(control, r.left + (anchor.moveX ? dx : 0), r.top + (anchor.moveY ? dy : 0),
                     r.right - r.left + (anchor.growX ? dx : 0), r.bottom - r.top + (anchor.growY ? dy : 0), TRUE);
    }
    data.client = SIZE{width, height};
}

void SelectLine(HWND box, const std::wstring& text, std::size_t number) {
    const TextSpan span = LineSpan(text, number);
    ::SendMessageW(box, EM_SETSEL, span.start, span.start + span.length);
    ::SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

// OK: every line checked, then the file written. False keeps the dialog open.
bool SaveRules(HWND dialog, DialogData& data) {
    HWND box = RulesBox(dialog);
    const std::wstring typed = WideWindowText(box);
    // Lines as the rules count them, also in the box, so a line named is the one selected.
    const std::wstring text = WithCrLf(typed);
    if (text != typed) ::SetWindowTextW(box, text.c_str());
    NgRuleSet rules;
    NgRuleError error;
    if (!rules.Parse(EditTextToRuleFile(text, false), error)) {
        SelectLine(box, text, error.lineNumber);
        ShowProgramMessage(dialog, L"NGルールに正しくない行があります。\n\n" + NgRuleErrorText(error), MB_ICONWARNING);
        ::SetFocus(box);
        SelectLine(box, text, error.lineNumber);
        return false;
    }
    data.document.text = text;
    DWORD code = 0;
    if (!WriteNgRuleDocument(data.path, data.document, code)) {
        ShowProgramMessage(
            dialog,
            L"NGルールのファイルを保存できませんでした。\n\n" + data.path + L"\n(" + std::to_wstring(code) + L")",
            MB_ICONERROR);
        return false;
    }
    InfoLog << "NGルールを保存しました: " << ShownPath(data.path) << EndLine;
    return true;
}

bool MayLeave(HWND dialog) {
    if (!::SendMessageW(RulesBox(dialog), EM_GETMODIFY, 0, 0)) return true;
    return ShowProgramMessage(dialog, L"NGルールの変更を保存せずに閉じますか？", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void Start(HWND dialog, DialogData& data) {
    ::SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&data));
    RECT window{}, client{};
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    data.smallest = SIZE{window.right - window.left, window.bottom - window.top};
    data.client = SIZE{client.right, client.bottom};
    ::SetDlgItemTextW(dialog, IDC_NG_PATH, data.path.c_str());
    HWND box = RulesBox(dialog);
    ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);  // as long as the system allows, not 32K
    ::SetWindowTextW(box, data.document.text.c_str());
    ::SetFocus(box);
    ::SendMessageW(box, EM_SETSEL, 0, 0);
    if (data.document.fromAnsi) ::PostMessageW(dialog, kShowAnsiNote, 0, 0);
}

INT_PTR CALLBACK NgRuleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogData* data = Data(dialog);
    switch (message) {
        case WM_INITDIALOG: Start(dialog, *reinterpret_cast<DialogData*>(lParam)); return FALSE;  // the focus is set
        case kShowAnsiNote:
            ShowProgramMessage(dialog,
                               L"NGルールのファイルが UTF-8 ではないため、ANSI (Shift_JIS) として読み込みました。\n"
                               L"OK を押すと UTF-8 で保存します。",
                               MB_ICONINFORMATION);
            return TRUE;
        case WM_GETMINMAXINFO:
            if (data)
                reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{data->smallest.cx, data->smallest.cy};
            return TRUE;
        case WM_SIZE:
            if (data && wParam != SIZE_MINIMIZED) Place(dialog, *data, LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    if (SaveRules(dialog, *data)) ::EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:  // the button, Esc and the close box
                    if (MayLeave(dialog)) ::EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

void RunNgRuleDialog(HWND main) {
    DialogData data;
    data.path = App().settings.NgRuleChoice().ruleFile;
    DWORD code = 0;
    if (!ReadNgRuleDocument(data.path, data.document, code)) {
        ShowProgramMessage(
            main, L"NGルールのファイルを読み込めません。\n\n" + data.path + L"\n(" + std::to_wstring(code) + L")",
            MB_ICONERROR);
        return;
    }
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_NG_RULES), main, NgRuleDialogProc,
                      reinterpret_cast<LPARAM>(&data));
}
