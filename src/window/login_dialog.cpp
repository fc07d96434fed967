#include "window/login_dialog.h"

#include "login/login.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/window.h"

INT_PTR CALLBACK LoginDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            ::SetDlgItemTextA(dialog, IDC_LOGIN_MAIL, App().settings.Mail.c_str());
            ::SetDlgItemTextA(dialog, IDC_LOGIN_PASS, App().settings.Pass.c_str());
            return TRUE;  // the focus goes to the first box
        case WM_COMMAND:
            // Enter (IDOK) and Esc (IDCANCEL) do nothing: only the button signs in.
            if (LOWORD(wParam) == IDC_LOGIN_BUTTON) {
                // The texts as they stand; Login logs its progress and failures.
                const std::string mail = WindowText(::GetDlgItem(dialog, IDC_LOGIN_MAIL));
                const std::string pass = WindowText(::GetDlgItem(dialog, IDC_LOGIN_PASS));
                AppSettings& settings = App().settings;
                const bool signedIn = Login(settings.site, mail, pass);
                if (signedIn) {
                    // The account that signed in is kept (in memory; written with the settings).
                    if (settings.Mail != mail) settings.Mail = mail;
                    if (settings.Pass != pass) settings.Pass = pass;
                }
                ::EndDialog(dialog, signedIn ? 1 : -1);
            }
            return TRUE;
        case WM_CLOSE: ::EndDialog(dialog, -1); return TRUE;
    }
    return FALSE;
}

INT_PTR ShowLoginDialog(HWND owner) {
    const INT_PTR result =
        ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LOGIN), owner, LoginDialogProc, 0);
    return result == 1 ? 1 : -1;
}
