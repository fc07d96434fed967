#include "window/window_prompts.h"

#include "resources/resource.h"
#include "support/cancel.h"
#include "support/codepage.h"
#include "support/window.h"
#include "window/login_dialog.h"
#include "window/program_message.h"

namespace {

struct OverwriteDialogData {
    const std::string* path;  // as the dialog shows it
    bool always = false;
};

INT_PTR CALLBACK OverwriteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            ::SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
            auto* data = reinterpret_cast<OverwriteDialogData*>(lParam);
            ::SetDlgItemTextA(dialog, IDC_OVERWRITE_PATH, data->path->c_str());
            ::MessageBeep(0);
            return TRUE;
        }
        case WM_COMMAND: {
            auto* data = reinterpret_cast<OverwriteDialogData*>(::GetWindowLongPtrA(dialog, GWLP_USERDATA));
            switch (LOWORD(wParam)) {
                case IDC_OVERWRITE_YES:
                    data->always = ::IsDlgButtonChecked(dialog, IDC_OVERWRITE_ALWAYS) == BST_CHECKED;
                    ::EndDialog(dialog, IDC_OVERWRITE_YES);
                    return TRUE;
                case IDC_OVERWRITE_SAVEAS:
                case IDC_OVERWRITE_CANCEL: ::EndDialog(dialog, LOWORD(wParam)); return TRUE;
                case IDCANCEL:  // the close box
                    ::EndDialog(dialog, IDC_OVERWRITE_CANCEL);
                    return TRUE;
            }
            break;
        }
        case WM_CLOSE: ::EndDialog(dialog, IDC_OVERWRITE_CANCEL); return TRUE;
    }
    return FALSE;
}

}  // namespace

void WindowPrompts::ShowSignInNotice() {
    if (CancelRequested()) return;
    ShowProgramMessage(owner_, "モクモク動画にログインして下さい。");
}

bool WindowPrompts::RunLoginDialog() { return !CancelRequested() && ShowLoginDialog(owner_) == 1; }

OverwriteChoice WindowPrompts::AskOverwrite(const std::wstring& path, bool& alwaysOverwrite) {
    if (CancelRequested()) return OverwriteChoice::Cancel;
    const std::string shown = ShownPath(path);
    OverwriteDialogData data{&shown};
    const INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OVERWRITE), owner_,
                                             OverwriteDialogProc, reinterpret_cast<LPARAM>(&data));
    switch (result) {
        case IDC_OVERWRITE_YES:
            alwaysOverwrite = data.always;
            if (data.always && owner_) {
                ::CheckMenuItem(::GetMenu(owner_), IDM_ALWAYS_OVERWRITE, MF_BYCOMMAND | MF_CHECKED);
            }
            return OverwriteChoice::Overwrite;
        case IDC_OVERWRITE_SAVEAS: return OverwriteChoice::SaveAs;
        default: return OverwriteChoice::Cancel;
    }
}

bool WindowPrompts::ChooseSaveAs(const std::wstring& filter, std::wstring& path) {
    if (CancelRequested()) return false;
    return ChooseSaveFile(owner_, filter, path);
}
