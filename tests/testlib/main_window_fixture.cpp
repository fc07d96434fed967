#include "testlib/main_window_fixture.h"

#include "support/codepage.h"
#include "support/window.h"
#include "testlib/messages.h"
#include "window/main_window.h"
#include "window/workers.h"

MainWindowFixture::MainWindowFixture()
    : iniPath(dir.File("Kometori.ini")), savedSettings_(App().settings), savedStart_(App().startDirectory) {
    App().startDirectory = dir.WidePath();
    App().settings.iniPath = AnsiToWide(iniPath);
    // A closed port: the version check of a window opened with the defaults
    // ends at once, without a request leaving the machine.
    App().settings.site.AuthorSite = "http://127.0.0.1:9";
}

MainWindowFixture::~MainWindowFixture() {
    Close();
    // The end path posted the quit message to this thread. Workers read the
    // settings: they end before the settings are put back.
    PumpMessagesUntil([] { return !AnyWorkerRunning(); });
    PumpPendingMessages();
    App().settings = savedSettings_;
    App().startDirectory = savedStart_;
}

HWND MainWindowFixture::Open(const std::string& ini) {
    if (!ini.empty()) WriteFileBytes(iniPath, ini);
    App().settings.LoadSite();  // as the process entry does
    main = CreateMainWindow(::GetModuleHandleA(nullptr));
    return main;
}

void MainWindowFixture::Close() {
    if (main && ::IsWindow(main)) ::DestroyWindow(main);
    main = nullptr;
}

void MainWindowFixture::Command(WORD id) { ::SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void MainWindowFixture::Click(int id) { ::SendMessageA(::GetDlgItem(main, id), BM_CLICK, 0, 0); }

void MainWindowFixture::SetText(int id, const std::string& text) { ::SetDlgItemTextA(main, id, text.c_str()); }

void MainWindowFixture::SetText(int id, const std::wstring& text) { ::SetDlgItemTextW(main, id, text.c_str()); }

std::string MainWindowFixture::Text(int id) const { return WindowText(::GetDlgItem(main, id)); }

std::wstring MainWindowFixture::WideText(int id) const { return WideWindowText(::GetDlgItem(main, id)); }

std::string MainWindowFixture::Title() const { return WindowText(main); }

bool MainWindowFixture::Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(main, id)) != FALSE; }

bool MainWindowFixture::Checked(int id) const { return ::IsDlgButtonChecked(main, id) == BST_CHECKED; }

bool MainWindowFixture::MenuChecked(UINT id) const { return IsMenuItemChecked(::GetMenu(main), id); }

bool MainWindowFixture::MenuEnabled(UINT id) const { return IsMenuItemEnabled(::GetMenu(main), id); }

bool MainWindowFixture::AcceptsDrops() const { return (::GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

std::string MainWindowFixture::IniValue(const char* section, const char* key) const {
    char value[4096] = {};
    ::GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, iniPath.c_str());
    return value;
}
