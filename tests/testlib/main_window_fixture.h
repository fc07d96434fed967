// Opens the real main window from its template on the test's thread, with the
// INI file in a temporary start folder, and reads back what it shows.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "settings/settings.h"
#include "testlib/dialogs.h"
#include "testlib/temp_dir.h"
#include "window/info_window.h"

class MainWindowFixture {
public:
    MainWindowFixture();
    ~MainWindowFixture();

    // Writes the INI text (when not empty) and creates the window.
    HWND Open(const std::string& ini = "");
    // Destroys the window (its end path runs when it has not yet).
    void Close();

    void Command(WORD id);
    // A click on a button or check box, as the user makes it.
    void Click(int id);
    void SetText(int id, const std::string& text);
    void SetText(int id, const std::wstring& text);

    std::string Text(int id) const;
    std::wstring WideText(int id) const;
    std::string Title() const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    bool MenuChecked(UINT id) const;
    bool MenuEnabled(UINT id) const;
    bool AcceptsDrops() const;
    std::string IniValue(const char* section, const char* key) const;

    HWND main = nullptr;
    TempDir dir;
    std::string iniPath;
    CBaseDebug page{"ログ"};
    MessageBoxAnswerer boxes;

private:
    AppSettings savedSettings_;
    std::wstring savedStart_;
};
