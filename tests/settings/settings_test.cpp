#include "settings/settings.h"

#include <gtest/gtest.h>

#include "support/codepage.h"
#include "support/handles.h"
#include "testlib/temp_dir.h"

namespace {

// Points the store at a fresh INI file for one test and restores it after.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = App().settings;
        App().settings = AppSettings();
        App().settings.iniPath = dir_.File(L"Kometori.ini");
    }
    void TearDown() override { App().settings = saved_; }

    std::string Ini() const { return ReadFileBytes(dir_.File("Kometori.ini")); }
    void WriteIni(const std::string& text) { WriteFileBytes(dir_.File("Kometori.ini"), text); }

    TempDir dir_;
    AppSettings saved_;
};

TEST_F(SettingsTest, MissingFileGivesEveryDefault) {
    FormValues form;
    ASSERT_TRUE(App().settings.Load(form));
    const AppSettings& s = App().settings;
    // The window centres itself and sizes the info window for the screen.
    EXPECT_EQ(s.MainLeft, AppSettings::kUnsetPlace);
    EXPECT_EQ(s.MainTop, AppSettings::kUnsetPlace);
    EXPECT_FALSE(s.ViewInfoWindow);
    EXPECT_EQ(s.InfoLeft, 0);
    EXPECT_EQ(s.InfoTop, 0);
    EXPECT_EQ(s.InfoWidth, AppSettings::kUnsetPlace);
    EXPECT_EQ(s.InfoHeight, AppSettings::kUnsetPlace);
    EXPECT_EQ(form.URL, "http://www.mokumoku.example/watch/");
    EXPECT_EQ(form.SavePath, App().startDirectory + L"\\Down");
    EXPECT_EQ(form.Comment, "250");
    EXPECT_FALSE(form.GetAllComment || form.TranslateText || form.PastLog);
    EXPECT_EQ(s.Format, "%date%(%vpos%)[ID:%user_id%]%comment%(%command%)");
    EXPECT_EQ(s.FilenameFormat, "%title%(%thread%)[%year2%.%month2%.%day2% %hour2%時%minute2%分]");
    EXPECT_TRUE(s.CompleteBeep);
    EXPECT_TRUE(s.NotifyVersionUp);
    EXPECT_FALSE(s.TextOutUTF8 || s.AutoOverWrite || s.UseProxyServer || s.WindowTopMost || s.AlwaysDirectConnection);
    EXPECT_EQ(s.AutoGetInterval, 300);
    EXPECT_EQ(s.AccessWait, 5);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(s.Year, now.wYear);
    EXPECT_EQ(form.Year, std::to_string(s.Year));
    EXPECT_FALSE(FileExists(dir_.File("Kometori.ini"))) << "loading never writes";
}

struct SavePathRow {
    const char* name;
    std::string stored;  // SavePath in the file
    std::string loaded;  // what the save folder box gets
};

// An extension is cut from the last component unless the whole path names an
// existing folder, which is the user's choice of folder.
TEST_F(SettingsTest, SavePathKeepsAnExistingFolderAndCutsTheRest) {
    const std::string old = dir_.File("logs.old");
    const std::string season = dir_.File("アニメ.2024表");
    ASSERT_TRUE(CreateDirectoryA(old.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(season.c_str(), nullptr));
    WriteFileBytes(dir_.File("予定表.txt"), "x");
    const SavePathRow rows[] = {
        {"empty", "", WideToAnsi(App().startDirectory)},
        {"an existing logs.old", old, old},
        {"an existing folder ending in 0x5C", season, season},
        {"a missing logs.old", "C:\\data\\logs.old", "C:\\data\\logs"},
        {"a missing folder in a dotted one", "C:\\アニメ.2024\\logs", "C:\\アニメ.2024\\logs"},
        // Found by characters: the 0x5C of 表 is no separator.
        {"a missing folder, an extension ending in 0x5C", "C:\\data\\logs.予定表", "C:\\data\\logs"},
        {"a file", dir_.File("予定表.txt"), dir_.File("予定表")},
    };
    for (const SavePathRow& row : rows) {
        SCOPED_TRACE(row.name);
        WriteIni("[main]\r\nSavePath=" + row.stored + "\r\n");
        FormValues form;
        App().settings.Load(form);
        EXPECT_EQ(form.SavePath, AnsiToWide(row.loaded));
    }
}

// A folder the code page holds is written byte for byte as before; any other
// is kept escaped, and every one reads back as the same folder. The INI file
// itself lies in a folder the code page cannot spell.
TEST_F(SettingsTest, SaveFoldersReadBackAsWritten) {
    const std::wstring home = dir_.File(kAccentedHangul);
    ASSERT_TRUE(MakeFolder(home));
    App().settings.iniPath = home + L"\\Kometori.ini";
    const struct {
        std::wstring folder;
        std::string stored;  // the line's value, bytes of the file
    } rows[] = {
        {L"D:\\予定表\\ソ", "D:\\予定表\\ソ"},
        {L"D:\\100%\\表", "D:\\100%\\表"},
        {L"C:\\Users\\" + std::wstring(kAccentedHangul) + L"\\Down", "*utf16*C:\\Users\\Jos%u00E9 %uD55C%uAD6D\\Down"},
        {L"D:\\" + std::wstring(kEmojiName) + L"\\100%", "*utf16*D:\\%uD83D%uDE00コメント\\100%u0025"},
        {L"D:\\" + std::wstring(kChineseName), "*utf16*D:\\%u5F39幕"},  // only the simplified 弹 is lacking
        // Best fit would write "\" for the yen sign: another folder.
        {L"D:\\\u00A5500", "*utf16*D:\\%u00A5500"},
        // Not a path a user can make, yet it must not read back as another.
        {L"*utf16*%u0041", "*utf16**utf16*%u0025u0041"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        FormValues form;
        form.SavePath = row.folder;
        ASSERT_TRUE(App().settings.Save(form, WindowPlacementValues()));
        const std::string ini = ReadFileBytes(App().settings.iniPath);
        EXPECT_NE(ini.find("\r\nSavePath=" + row.stored + "\r\n"), std::string::npos) << ini;
        FormValues back;
        App().settings.Load(back);
        EXPECT_EQ(back.SavePath, row.folder);
    }
}

// Texts pass the wide functions as they passed the narrow ones: the same bytes
// in the file, even for characters code page 932 has twice (NEC's and IBM's Ⅰ).
TEST_F(SettingsTest, TextsAreWrittenAsTheNarrowFunctionsWroteThem) {
    const std::string mail = "\xFA\x4A\x87\x54ﾃｷｽﾄソ表@example.jp";
    const std::string narrow = dir_.File("narrow.ini");
    ASSERT_TRUE(WritePrivateProfileStringA("main", "Mail", mail.c_str(), narrow.c_str()));
    const std::string line = ReadFileBytes(narrow).substr(std::string("[main]\r\n").size());
    FormValues form;
    App().settings.Load(form);
    App().settings.Mail = mail;
    App().settings.Save(form, WindowPlacementValues());
    EXPECT_NE(Ini().find(line), std::string::npos) << line;
}

// Beyond what a value may hold when read, the folder is not written: the file
// keeps the last one it could (the window says so when the folder is set).
TEST_F(SettingsTest, AFolderTooLongForTheFileKeepsTheLastOne) {
    FormValues form;
    form.SavePath = L"D:\\保存";
    App().settings.Save(form, WindowPlacementValues());
    std::wstring longFolder = L"D:";
    while (longFolder.size() < 1000) longFolder += L"\\" + std::wstring(kHangulName);
    EXPECT_TRUE(AppSettings::CanKeepSaveFolder(L"D:\\" + std::wstring(400, L'\uD55C')));
    EXPECT_FALSE(AppSettings::CanKeepSaveFolder(longFolder));
    form.SavePath = longFolder;
    EXPECT_TRUE(App().settings.Save(form, WindowPlacementValues())) << "not a failure to write the file";
    FormValues back;
    App().settings.Load(back);
    EXPECT_EQ(back.SavePath, L"D:\\保存");
}

TEST_F(SettingsTest, RoundTripOfEveryKey) {
    FormValues form;
    App().settings.Load(form);
    AppSettings& s = App().settings;
    s.ViewInfoWindow = true;
    s.CompleteBeep = false;
    s.TextOutUTF8 = true;
    s.AutoOverWrite = true;
    s.NotifyVersionUp = false;
    s.UseProxyServer = true;
    s.ProxyName = "proxy.example:8080";
    s.Mail = "user@example.jp";
    s.Pass = "p&ss=word";
    s.WindowTopMost = true;
    s.AutoGetInterval = 60;
    s.AlwaysDirectConnection = true;
    s.AccessWait = 2;
    form.URL = "sm9;sm10";
    form.SavePath = L"C:\\コメント";
    form.Comment = "1000";
    form.GetAllComment = form.TranslateText = form.PastLog = true;
    form.Year = "2010";
    form.Month = "1";
    form.Day = "2";
    form.Hour = "3";
    form.Minute = "4";
    form.Second = "5";
    WindowPlacementValues place;
    place.hasMain = true;
    place.mainLeft = 10;
    place.mainTop = 20;
    place.hasInfo = true;
    place.infoLeft = 30;
    place.infoTop = 40;
    place.infoWidth = 500;
    place.infoHeight = 300;
    ASSERT_TRUE(s.Save(form, place));

    App().settings = AppSettings();
    App().settings.iniPath = dir_.File(L"Kometori.ini");
    FormValues back;
    App().settings.Load(back);
    const AppSettings& r = App().settings;
    EXPECT_TRUE(r.ViewInfoWindow);
    EXPECT_FALSE(r.CompleteBeep);
    EXPECT_TRUE(r.TextOutUTF8 && r.AutoOverWrite && r.UseProxyServer && r.WindowTopMost && r.AlwaysDirectConnection);
    EXPECT_FALSE(r.NotifyVersionUp);
    EXPECT_EQ(r.ProxyName, "proxy.example:8080");
    EXPECT_EQ(r.Mail, "user@example.jp");
    EXPECT_EQ(r.Pass, "p&ss=word");
    EXPECT_EQ(r.AutoGetInterval, 60);
    EXPECT_EQ(r.AccessWait, 2);
    EXPECT_EQ(back.URL, "sm9;sm10");
    EXPECT_EQ(back.SavePath, L"C:\\コメント");
    EXPECT_EQ(back.Comment, "1000");
    EXPECT_TRUE(back.GetAllComment && back.TranslateText && back.PastLog);
    EXPECT_EQ(r.Year, 2010);
    EXPECT_EQ(back.Second, "5");
    EXPECT_EQ(r.MainLeft, 10);
    EXPECT_EQ(r.MainTop, 20);
    EXPECT_EQ(r.InfoLeft, 30);
    EXPECT_EQ(r.InfoTop, 40);
    EXPECT_EQ(r.InfoWidth, 500);
    EXPECT_EQ(r.InfoHeight, 300);
    EXPECT_NE(Ini().find("Pass=p&ss=word"), std::string::npos) << "the password stays plain text";
}

// Unpacked under Program Files or on a read-only medium: Save says it could
// not write, and the file keeps what it held.
TEST_F(SettingsTest, SaveReportsAFileItCannotWrite) {
    const std::string stored = "[main]\r\nURL=sm9\r\nMail=premium@kometori.test\r\n";
    WriteIni(stored);
    const std::string path = dir_.File("Kometori.ini");
    FormValues form;
    App().settings.Load(form);
    form.URL = "sm1234";
    {
        // As root under Wine a read-only file is still written: a handle that
        // shares reading only keeps every writer out instead.
        FileHandle readOnly(
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(readOnly);
        EXPECT_FALSE(App().settings.Save(form, WindowPlacementValues()));
    }
    EXPECT_EQ(Ini(), stored);
    EXPECT_TRUE(App().settings.Save(form, WindowPlacementValues()));
    EXPECT_NE(Ini().find("URL=sm1234"), std::string::npos);
}

TEST_F(SettingsTest, FormatsAreWrittenOnlyWhenMissing) {
    WriteIni("[main]\r\nFormat=%comment%\r\n");
    FormValues form;
    App().settings.Load(form);
    EXPECT_EQ(App().settings.Format, "%comment%");
    App().settings.Format = "changed in memory";
    App().settings.Save(form, WindowPlacementValues());
    EXPECT_NE(Ini().find("Format=%comment%\r\n"), std::string::npos);
    EXPECT_NE(Ini().find("FilenameFormat=%title%(%thread%)"), std::string::npos);
    EXPECT_EQ(Ini().find("changed in memory"), std::string::npos);

    // A deleted key comes back with the default.
    WriteIni("[main]\r\n");
    App().settings.Save(form, WindowPlacementValues());
    EXPECT_NE(Ini().find("Format=%date%(%vpos%)[ID:%user_id%]%comment%(%command%)"), std::string::npos);
}

TEST_F(SettingsTest, TextsAsLeftAndNumbersAsRead) {
    FormValues form;
    App().settings.Load(form);
    form.Comment = "abc";
    form.Year = "20x1";
    form.Month = "xyz";
    WindowPlacementValues none;  // minimised windows: no places written
    App().settings.Save(form, none);
    EXPECT_NE(Ini().find("Comment=0"), std::string::npos);
    EXPECT_NE(Ini().find("Year=20x1"), std::string::npos);
    EXPECT_EQ(Ini().find("Left="), std::string::npos);
    FormValues back;
    App().settings.Load(back);
    EXPECT_EQ(App().settings.Year, 20);
    EXPECT_EQ(App().settings.Month, 0);
}

TEST_F(SettingsTest, SiteKeysAreReadNotWritten) {
    WriteIni("[site]\r\nMainHost=127.0.0.1:8080\r\nSecureHost=localhost:8443\r\n");
    FormValues form;
    App().settings.Load(form);
    EXPECT_EQ(App().settings.site.SiteRoot(), "http://127.0.0.1:8080/");
    EXPECT_EQ(App().settings.site.WatchPrefix(), "http://127.0.0.1:8080/watch/");
    EXPECT_EQ(App().settings.site.NaishoPrefix(), "http://127.0.0.1:8080/watch_naisho/");
    EXPECT_EQ(App().settings.site.SecureHost, "localhost:8443");
    EXPECT_EQ(App().settings.site.AuthorSite, "http://kometori.example");
    EXPECT_EQ(form.URL, "http://127.0.0.1:8080/watch/");
    App().settings.Save(form, WindowPlacementValues());
    EXPECT_EQ(Ini().find("AuthorSite"), std::string::npos);
}

TEST_F(SettingsTest, SubtitleKeysReadAsTheyFitAndWrittenWhenMissing) {
    WriteIni(
        "[subtitle]\r\nStageWidth=1280\r\nFontSize=5.5\r\nOpacity=150\r\nScrollTime=x\r\n"
        "FixedTime=2.25\r\nExclude=^(ｗ)+$\r\n");
    FormValues form;
    App().settings.Load(form);
    const SubtitleSettings& s = App().settings.subtitle;
    EXPECT_EQ(s.StageWidth, 1280);
    EXPECT_EQ(s.StageHeight, 1080);
    EXPECT_EQ(s.FontSize, 550);
    EXPECT_EQ(s.Opacity, 100) << "out of range: the default";
    EXPECT_EQ(s.ScrollTime, 400) << "not a number: the default";
    EXPECT_EQ(s.FixedTime, 225);
    EXPECT_EQ(s.Exclude, "^(ｗ)+$");
    App().settings.subtitle.StageWidth = 640;
    App().settings.Save(form, WindowPlacementValues());
    EXPECT_NE(Ini().find("StageWidth=1280\r\n"), std::string::npos) << "edited in the file only";
    EXPECT_NE(Ini().find("Opacity=150\r\n"), std::string::npos);
    EXPECT_NE(Ini().find("StageHeight=1080\r\n"), std::string::npos);
    EXPECT_NE(Ini().find("BigScale=1.5\r\n"), std::string::npos);
    EXPECT_NE(Ini().find("OverlayWhenFull=0\r\n"), std::string::npos);
}

TEST(SubtitleOptions, ValuesAndRanges) {
    const struct {
        const char* key;
        const char* text;
        bool ok;
        const char* stored;  // as written back
    } rows[] = {
        {"FontSize", "6.25", true, "6.25"},
        {"FontSize", "7", true, "7"},
        {"FontSize", "6.5", true, "6.5"},
        {"FontSize", "6.255", false, ""},
        {"FontSize", "0.4", false, ""},
        {"FontSize", "", false, ""},
        {"ScrollTime", "60", true, "60"},
        {"ScrollTime", "60.01", false, ""},
        {"StageWidth", "1e3", false, ""},
        {"StageWidth", "-64", false, ""},
        {"OverlayWhenFull", "1", true, "1"},
        {"OverlayWhenFull", "yes", false, ""},
        {"FontName", "ＭＳ Ｐゴシック", true, "ＭＳ Ｐゴシック"},
        {"Offset", "+1.5", true, "1.5"},
        {"Offset", "-0.25", true, "-0.25"},
        {"Offset", "1.005", false, ""},
        {"MergeRepeats", "3", true, "3"},
        {"MergeRepeats", "60.01", false, ""},
        {"MaxOnScreen", "40", true, "40"},
        {"MaxOnScreen", "-1", false, ""},
        {"OffsetMap", "", true, ""},
        {"OffsetMap", "1:00=-0.5, 1:02:03.5=2,90:00=+1", true, "1:00=-0.5, 1:02:03.5=2,90:00=+1"},
        {"OffsetMap", "1:5=2", false, ""},
        {"OffsetMap", "0:60=1", false, ""},
        {"OffsetMap", "0:10", false, ""},
        {"OffsetMap", "=1", false, ""},
        {"OffsetMap", "+1:00=1", false, ""},
        {"OffsetMap", "1:00=1s", false, ""},
    };
    for (const auto& r : rows) {
        const SubtitleOption* option = nullptr;
        for (const SubtitleOption& o : SubtitleOptions()) {
            if (std::string(o.key) == r.key) option = &o;
        }
        ASSERT_NE(option, nullptr) << r.key;
        SubtitleSettings settings;
        std::string error;
        EXPECT_EQ(SetSubtitleOption(settings, *option, r.text, error), r.ok) << r.key << "=" << r.text;
        if (r.ok) {
            EXPECT_EQ(SubtitleOptionValue(settings, *option), r.stored);
        } else {
            EXPECT_EQ(error.rfind(std::string(r.key) + ": \"" + r.text + "\" (", 0), 0u) << error;
        }
    }
}

}  // namespace

namespace {

TEST_F(SettingsTest, NgRulesSectionAndTheRuleFilesPath) {
    FormValues form;
    App().settings.Load(form);
    const std::wstring start = App().startDirectory;
    EXPECT_FALSE(App().settings.NgRuleChoice().apply);
    EXPECT_EQ(App().settings.NgRuleChoice().ruleFile, start + L"\\Kometori-ng.txt");  // beside the INI file

    const struct {
        const char* ruleFile;
        std::wstring path;
    } rows[] = {
        {"NG\\予定表.txt", start + L"\\NG\\予定表.txt"},
        {"D:\\ソフト\\ng.txt", L"D:\\ソフト\\ng.txt"},
        {"*utf16*NG\\%uD55C%uAD6D.txt", start + L"\\NG\\\uD55C\uAD6D.txt"},  // kept as a save folder is
        {"\\\\server\\share\\ng.txt", L"\\\\server\\share\\ng.txt"},
    };
    for (const auto& r : rows) {
        WriteIni(std::string("[ng]\r\nApply=1\r\nRuleFile=") + r.ruleFile + "\r\n");
        App().settings.Load(form);
        EXPECT_TRUE(App().settings.NgRuleChoice().apply);
        EXPECT_EQ(App().settings.NgRuleChoice().ruleFile, r.path) << r.ruleFile;
    }
    App().settings.ng.Apply = false;
    App().settings.Save(form, WindowPlacementValues());
    EXPECT_NE(Ini().find("[ng]\r\nApply=0\r\nRuleFile=\\\\server\\share\\ng.txt\r\n"), std::string::npos) << Ini();
}

}  // namespace
