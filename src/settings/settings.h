// The process-wide application record and every persistent setting.
#pragma once

#include <climits>

#include <windows.h>

#include <string>

#include "kometori_version.h"
#include "settings/program_identity.h"
#include "settings/subtitle_settings.h"
#include "support/web.h"

// The form's values (address list, save folder, count, check boxes, past-log
// fields) as the INI file keeps them; the main window and the console
// companion both load and save them through the store.
struct FormValues {
    std::string URL;
    std::wstring SavePath;  // a path: UTF-16, any character
    std::string Comment = "250";
    bool GetAllComment = false;
    bool TranslateText = false;
    bool PastLog = false;
    // The past-log boxes hold texts: they are written back as the user left them.
    std::string Year, Month, Day, Hour, Minute, Second;
};

// Window rectangles to write; a minimised or maximised window has none.
struct WindowPlacementValues {
    bool hasMain = false;
    int mainLeft = 0, mainTop = 0;
    bool hasInfo = false;
    int infoLeft = 0, infoTop = 0, infoWidth = 0, infoHeight = 0;
};

// Where the video site and the author's site live ("site" section of the INI
// file, read once at start, never written back).
struct SiteSettings {
    std::string MainHost = "www.mokumoku.example";       // host or host:port, plain HTTP
    std::string SecureHost = "secure.mokumoku.example";  // host or host:port, HTTPS
    std::string AuthorSite = "http://kometori.example";  // scheme, host, port; no trailing "/"
    std::string AuthorMail = "kometori@kometori.example";

    std::string SiteRoot() const { return "http://" + MainHost + "/"; }
    std::string WatchPrefix() const { return SiteRoot() + "watch/"; }
    std::string NaishoPrefix() const { return SiteRoot() + "watch_naisho/"; }
    // The program's page on the author's site (menu "Web(&W)", the about box).
    std::string AuthorPage() const { return AuthorSite + "/software/kometori/"; }
    // The version notice file: the newest published version on its first line.
    std::string VersionNoticeUrl() const { return AuthorPage() + "version.txt"; }
};

// What the sign-in and the acquisition are handed: where the site lives, the
// route of page reads, the program the sign-in hint names, and the stored
// account, read at each sign-in (the login dialog may change it while a fetch waits).
struct SiteAccess {
    SiteSettings site;
    WebRoute route;
    std::string programName;
    const std::string* mail = nullptr;
    const std::string* pass = nullptr;
};

// Whether an export applies the NG rules, and the rule file it reads.
struct NgChoice {
    bool apply = false;
    std::wstring ruleFile;
};

// Section "ng". The rule file's default lies beside the INI file.
struct NgSettings {
    bool Apply = false;     // the rules apply to every export
    std::wstring RuleFile;  // empty: Kometori-ng.txt; a relative path is taken from the start folder
};
inline const wchar_t kDefaultNgRuleFile[] = L"Kometori-ng.txt";

inline const char kDefaultTextFormat[] = "%date%(%vpos%)[ID:%user_id%]%comment%(%command%)";
inline const char kDefaultFilenameFormat[] = "%title%(%thread%)[%year2%.%month2%.%day2% %hour2%時%minute2%分]";
inline const char kDefaultArchiveFormat[] = "%title%(%thread%)";

// Section "archive": one file per video that every fetch adds to.
struct ArchiveSettings {
    bool Enabled = false;
    std::string Format = kDefaultArchiveFormat;  // placeholders of FilenameFormat; written when missing
};

struct AppSettings {
    std::string iniFileName = "Kometori.ini";
    std::wstring iniPath;  // start directory + "\" + iniFileName

    SiteSettings site;

    bool ViewInfoWindow = false;
    int AutoGetInterval = 300;  // seconds
    int AccessWait = 5;         // seconds between two addresses of a job
    std::string Format = kDefaultTextFormat;
    std::string FilenameFormat = kDefaultFilenameFormat;
    std::string ProxyName;
    bool CompleteBeep = true;
    bool TextOutUTF8 = false;
    bool AutoOverWrite = false;
    bool UseProxyServer = false;
    bool WindowTopMost = false;
    bool AlwaysDirectConnection = false;
    bool NotifyVersionUp = true;
    std::string Mail;
    std::string Pass;  // plain text, as the file has always kept it

    SubtitleSettings subtitle;  // section "subtitle", edited in the file only
    NgSettings ng;
    ArchiveSettings archive;

    // Apply and the rule file's full path.
    NgChoice NgRuleChoice() const;

    // The route of page and interface reads (UseProxyServer, ProxyName).
    WebRoute PageRoute() const { return WebRoute{UseProxyServer, ProxyName}; }

    // Last window places, as read. What the file lacks of the main window's
    // place and the info window's size stays kUnsetPlace: the window picks it
    // for the screen, so that a program without windows never asks the screen.
    static constexpr int kUnsetPlace = INT_MIN;
    int MainLeft = kUnsetPlace, MainTop = kUnsetPlace;
    int InfoLeft = 0, InfoTop = 0, InfoWidth = kUnsetPlace, InfoHeight = kUnsetPlace;
    // Section "viewer": the place of the comment viewer closed last; written
    // when one was read or a viewer has closed.
    bool HasViewerPlace = false;
    int ViewerLeft = 0, ViewerTop = 0, ViewerWidth = 0, ViewerHeight = 0;
    // The past-log moment, as read.
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;

    // Reads the "site" section of the INI file.
    void LoadSite();
    // Reads every key (the site keys too) into the settings and the form.
    bool Load(FormValues& form);
    // Writes every key; "Format", "FilenameFormat" and the "subtitle" keys only
    // when missing. False when any write failed (a read-only file or folder).
    // A save folder the file cannot keep (CanKeepSaveFolder) is not written:
    // the file keeps the last one it could.
    bool Save(const FormValues& form, const WindowPlacementValues& placement);
    // The save folder reads back from the file as the same folder.
    static bool CanKeepSaveFolder(const std::wstring& folder);
};

struct AppContext {
    AppContext();

    std::string programName = "Kometori";
    std::string versionText = KOMETORI_VERSION;  // project() in CMakeLists.txt
    double versionNumber = KOMETORI_VERSION_NUMBER;
    std::wstring startDirectory;  // fixed when the record is made
    bool proxySwitchedOff = false;
    AppSettings settings;

    ProgramIdentity Identity() const { return ProgramIdentity{programName, versionText, settings.iniFileName}; }
    SiteAccess Access() const {
        return SiteAccess{settings.site, settings.PageRoute(), programName, &settings.Mail, &settings.Pass};
    }
};

// The process-wide record, made on first use (each process entry uses it first).
AppContext& App();
