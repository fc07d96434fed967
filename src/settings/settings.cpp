#include "settings/settings.h"

#include "settings/ini.h"
#include "support/codepage.h"
#include "support/files.h"
#include "support/text.h"

#include <shlwapi.h>

AppContext::AppContext() {
    startDirectory = CurrentFolder();
    settings.iniPath = startDirectory + L"\\" + AnsiToWide(settings.iniFileName);
}

void AppSettings::LoadSite() {
    const Ini ini(iniPath);
    site.MainHost = ini.Text("site", "MainHost", site.MainHost);
    site.SecureHost = ini.Text("site", "SecureHost", site.SecureHost);
    site.AuthorSite = ini.Text("site", "AuthorSite", site.AuthorSite);
    site.AuthorMail = ini.Text("site", "AuthorMail", site.AuthorMail);
}

AppContext& App() {
    static AppContext app;
    return app;
}

NgChoice AppSettings::NgRuleChoice() const {
    NgChoice choice;
    choice.apply = ng.Apply;
    const std::wstring file = ng.RuleFile.empty() ? std::wstring(kDefaultNgRuleFile) : ng.RuleFile;
    choice.ruleFile = ::PathIsRelativeW(file.c_str()) ? App().startDirectory + L"\\" + file : file;
    return choice;
}

bool AppSettings::Load(FormValues& form) {
    const Ini ini(iniPath);
    LoadSite();
    MainLeft = ini.Int("main", "Left", kUnsetPlace);
    MainTop = ini.Int("main", "Top", kUnsetPlace);
    ViewInfoWindow = ini.Flag("info", "ViewInfoWindow", false);
    InfoLeft = ini.Int("info", "Left", 0);
    InfoTop = ini.Int("info", "Top", 0);
    InfoWidth = ini.Int("info", "Width", kUnsetPlace);
    InfoHeight = ini.Int("info", "Height", kUnsetPlace);
    HasViewerPlace = ini.Has("viewer", "Width") && ini.Has("viewer", "Height");
    ViewerLeft = ini.Int("viewer", "Left", 0);
    ViewerTop = ini.Int("viewer", "Top", 0);
    ViewerWidth = ini.Int("viewer", "Width", 0);
    ViewerHeight = ini.Int("viewer", "Height", 0);

    form.URL = ini.Text("main", "URL", site.WatchPrefix());
    const std::wstring& startDirectory = App().startDirectory;
    std::wstring savePath = ini.Path("main", "SavePath", startDirectory + L"\\Down");
    if (savePath.empty()) savePath = startDirectory;
    // A folder named with a dot (D:\anime.2024) is the user's choice; only a
    // path that names no folder loses its last extension. A last part without
    // a dot has none to lose: the usual start leaves shlwapi unloaded.
    const std::size_t lastPart = savePath.find_last_of(L"\\/");
    const bool dotted = savePath.find(L'.', lastPart == std::wstring::npos ? 0 : lastPart + 1) != std::wstring::npos;
    if (dotted && !IsFolder(savePath)) {
        ::PathRemoveExtensionW(&savePath[0]);
        savePath.resize(std::char_traits<wchar_t>::length(savePath.c_str()));
    }
    form.SavePath = savePath;
    form.Comment = ini.Text("main", "Comment", "250");
    form.GetAllComment = ini.Flag("main", "GetAllComment", false);
    form.TranslateText = ini.Flag("main", "TranslateText", false);
    form.PastLog = ini.Flag("main", "PastLog", false);

    Format = ini.Text("main", "Format", kDefaultTextFormat);
    FilenameFormat = ini.Text("main", "FilenameFormat", kDefaultFilenameFormat);
    CompleteBeep = ini.Flag("main", "CompleteBeep", true);
    TextOutUTF8 = ini.Flag("main", "TextOutUTF8", false);
    AutoOverWrite = ini.Flag("main", "AutoOverWrite", false);
    NotifyVersionUp = ini.Flag("main", "NotifyVersionUp", true);
    UseProxyServer = ini.Flag("main", "UseProxyServer", false);
    ProxyName = ini.Text("main", "ProxyName", "");
    Mail = ini.Text("main", "Mail", "");
    Pass = ini.Text("main", "Pass", "");
    WindowTopMost = ini.Flag("main", "WindowTopMost", false);
    AutoGetInterval = ini.Int("main", "AutoGetInterval", 300);
    AlwaysDirectConnection = ini.Flag("main", "AlwaysDirectConnection", false);
    AccessWait = ini.Int("main", "AccessWait", 5);
    subtitle = LoadSubtitleSettings(iniPath);
    ng.Apply = ini.Flag("ng", "Apply", false);
    ng.RuleFile = ini.Path("ng", "RuleFile", L"");
    archive.Enabled = ini.Flag("archive", "Enabled", false);
    archive.Format = ini.Text("archive", "Format", kDefaultArchiveFormat);

    SYSTEMTIME now;
    ::GetLocalTime(&now);
    Year = ini.Int("pastlog", "Year", now.wYear);
    Month = ini.Int("pastlog", "Month", now.wMonth);
    Day = ini.Int("pastlog", "Day", now.wDay);
    Hour = ini.Int("pastlog", "Hour", now.wHour);
    Minute = ini.Int("pastlog", "Minute", now.wMinute);
    Second = ini.Int("pastlog", "Second", now.wSecond);
    form.Year = std::to_string(Year);
    form.Month = std::to_string(Month);
    form.Day = std::to_string(Day);
    form.Hour = std::to_string(Hour);
    form.Minute = std::to_string(Minute);
    form.Second = std::to_string(Second);
    return true;
}

bool AppSettings::CanKeepSaveFolder(const std::wstring& folder) { return Ini::CanKeepPath(folder); }

bool AppSettings::Save(const FormValues& form, const WindowPlacementValues& placement) {
    const Ini ini(iniPath);
    if (placement.hasMain) {
        ini.WriteInt("main", "Left", placement.mainLeft);
        ini.WriteInt("main", "Top", placement.mainTop);
    }
    ini.WriteFlag("info", "ViewInfoWindow", ViewInfoWindow);
    if (placement.hasInfo) {
        ini.WriteInt("info", "Left", placement.infoLeft);
        ini.WriteInt("info", "Top", placement.infoTop);
        ini.WriteInt("info", "Width", placement.infoWidth);
        ini.WriteInt("info", "Height", placement.infoHeight);
    }
    if (HasViewerPlace) {
        ini.WriteInt("viewer", "Left", ViewerLeft);
        ini.WriteInt("viewer", "Top", ViewerTop);
        ini.WriteInt("viewer", "Width", ViewerWidth);
        ini.WriteInt("viewer", "Height", ViewerHeight);
    }
    ini.Write("main", "URL", form.URL);
    ini.WritePath("main", "SavePath", form.SavePath);
    ini.WriteInt("main", "Comment", LeadingNumber(form.Comment));
    ini.WriteFlag("main", "GetAllComment", form.GetAllComment);
    ini.WriteFlag("main", "TranslateText", form.TranslateText);
    ini.WriteFlag("main", "PastLog", form.PastLog);
    // The formats are edited in the file only: written when missing, never over an edit.
    if (ini.Text("main", "Format", "").empty()) ini.Write("main", "Format", kDefaultTextFormat);
    if (ini.Text("main", "FilenameFormat", "").empty()) ini.Write("main", "FilenameFormat", kDefaultFilenameFormat);
    ini.WriteFlag("main", "CompleteBeep", CompleteBeep);
    ini.WriteFlag("main", "TextOutUTF8", TextOutUTF8);
    ini.WriteFlag("main", "AutoOverWrite", AutoOverWrite);
    ini.WriteFlag("main", "NotifyVersionUp", NotifyVersionUp);
    ini.WriteFlag("main", "UseProxyServer", UseProxyServer);
    ini.Write("main", "ProxyName", ProxyName);
    ini.Write("main", "Mail", Mail);
    ini.Write("main", "Pass", Pass);
    ini.WriteFlag("main", "WindowTopMost", WindowTopMost);
    ini.WriteInt("main", "AutoGetInterval", AutoGetInterval);
    ini.WriteFlag("main", "AlwaysDirectConnection", AlwaysDirectConnection);
    ini.WriteInt("main", "AccessWait", AccessWait);
    ini.WriteFlag("archive", "Enabled", archive.Enabled);
    if (ini.Text("archive", "Format", "").empty()) ini.Write("archive", "Format", kDefaultArchiveFormat);
    const bool subtitleWritten = WriteMissingSubtitleKeys(iniPath, subtitle);
    // RuleFile is edited in the file only.
    ini.WriteFlag("ng", "Apply", ng.Apply);
    ini.Write("pastlog", "Year", form.Year);
    ini.Write("pastlog", "Month", form.Month);
    ini.Write("pastlog", "Day", form.Day);
    ini.Write("pastlog", "Hour", form.Hour);
    ini.Write("pastlog", "Minute", form.Minute);
    ini.Write("pastlog", "Second", form.Second);
    return subtitleWritten && !ini.Failed();
}
