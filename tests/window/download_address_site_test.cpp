// The download address commands against the stand-in site: what is logged,
// opened (recorded, never really) and shown.
#include <gtest/gtest.h>

#include "jobs/download_address_job.h"
#include "testlib/window_site_test.h"

namespace {

class DownloadAddressTest : public WindowSiteTest {
protected:
    // The stand-in's video file address of a video number.
    static std::string FileOf(const std::string& number) {
        return "http://" + StandinMainHost() + "/smile?v=" + number + ".4321";
    }
    // A fresh site, window and log; the job has run. `reply` is getflv's "url" value.
    void Run(WORD command, const std::string& field, const char* fault = nullptr, const char* reply = nullptr) {
        Close();
        StandinReset();
        StandinSignIn("premium");
        if (reply) StandinSet("download_url", reply);
        ClearOpened();
        log.Clear();
        ASSERT_TRUE(OpenWith(field));
        if (fault) StandinFault("main", fault);
        Command(command);
        ASSERT_TRUE(PumpMessagesUntil([] { return !AnyWorkerRunning(); }, 30000));
    }
    bool InfoShown() const { return IsWindowVisible(CBaseDebug::Window()) && MenuChecked(IDM_INFO_WINDOW); }
};

struct CommandRow {
    const char* name;
    WORD command;
    std::string field;
    const char* fault;               // the first getflv's, or null
    std::vector<std::string> lines;  // after the first; numbers stand for the file addresses
    std::vector<std::string> opened;
    bool infoShown;
};

TEST_F(DownloadAddressTest, EachCommandLogsOpensAndShowsWhatItMust) {
    const std::string page = "http://" + StandinMainHost() + "/watch/sm1234";
    const CommandRow rows[] = {
        {"DL, a bare ID and a watch page",
         IDC_DOWNLOAD,
         "sm9;" + page,
         nullptr,
         {"[sm9]", "9", "[" + page + "]", "1234"},
         {"9", "1234"},
         false},
        {"show, info window hidden", IDM_SHOW_DOWNLOAD, "sm9", nullptr, {"[sm9]", "9"}, {}, true},
        {"getflv fails, the next goes on",
         IDM_OPEN_DOWNLOAD,
         "sm9;sm1234",
         "empty",
         {"[sm9]", "URL(getflv)の取得に失敗しました", "[sm1234]", "1234"},
         {"1234"},
         true},
        {"no address in the reply",
         IDM_OPEN_DOWNLOAD,
         "sm3;sm9",
         nullptr,
         {"[sm3]", "URLの取得に失敗しました", "[sm9]", "9"},
         {"9"},
         true},
        {"nothing in the field", IDM_OPEN_DOWNLOAD, ";", nullptr, {}, {}, false},
    };
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(row.name);
        Run(row.command, row.field, row.fault);
        std::vector<std::string> lines{"ダウンロードURL取得中..."}, opened;
        for (const std::string& line : row.lines) lines.push_back(isdigit(line[0] & 0xFF) ? FileOf(line) : line);
        for (const std::string& number : row.opened) opened.push_back(FileOf(number));
        EXPECT_EQ(log.Lines(), lines);
        EXPECT_EQ(Opened(), opened);
        EXPECT_EQ(InfoShown(), row.infoShown);
    }
}

struct AddressRow {
    const char* name;
    const char* reply;   // the reply's "url" value as the site sends it
    const char* opened;  // null: refused
};

TEST_F(DownloadAddressTest, OnlyWebAddressesAreOpened) {
    const AddressRow rows[] = {
        {"file scheme", "file:///C:/windows/win.ini", nullptr},
        {"local path", "C:\\Windows\\system32\\calc.exe", nullptr},
        {"program name", "calc.exe", nullptr},
        {"other scheme", "ms-settings:privacy", nullptr},
        {"a space that starts another argument", "http://127.0.0.1/smile?v=9 --user-data-dir=C:\\", nullptr},
        {"a quote that ends the browser's quoted argument", "http://127.0.0.1/smile?v=9\"--new-window", nullptr},
        {"scheme only", "http%3A%2F%2F", nullptr},
        {"upper-case scheme, encoded", "HTTPS%3A%2F%2Flocalhost%2Fsmile%3Fv%3D9.4321",
         "HTTPS://localhost/smile?v=9.4321"},
    };
    for (const AddressRow& row : rows) {
        SCOPED_TRACE(row.name);
        Run(IDM_OPEN_DOWNLOAD, "sm9", nullptr, row.reply);
        EXPECT_EQ(Opened(), row.opened ? std::vector<std::string>{row.opened} : std::vector<std::string>{});
        EXPECT_EQ(Count(kDownloadAddressRefused), row.opened ? 0 : 1);
        EXPECT_EQ(InfoShown(), !row.opened);
    }
}

TEST_F(DownloadAddressTest, AJobKeepsTheCommandThatStartedIt) {
    StandinSignIn("premium");
    ASSERT_TRUE(OpenWith("sm9"));
    StandinFault("main", "hold");
    Command(IDM_SHOW_DOWNLOAD);
    ASSERT_TRUE(PumpMessagesUntil([&] { return StandinRequests().size() == 1; }));
    EXPECT_FALSE(MenuEnabled(IDM_OPEN_DOWNLOAD) || MenuEnabled(IDM_SHOW_DOWNLOAD));
    EXPECT_TRUE(Enabled(IDC_DOWNLOAD));
    Command(IDC_DOWNLOAD);  // runs beside the held one
    ASSERT_TRUE(PumpMessagesUntil([&] { return Opened().size() == 1; }));
    EXPECT_FALSE(MenuEnabled(IDM_OPEN_DOWNLOAD)) << "the other job still runs";
    StandinRelease();
    ASSERT_TRUE(PumpMessagesUntil([] { return !AnyWorkerRunning(); }));
    EXPECT_EQ(Opened(), std::vector<std::string>{FileOf("9")});
    EXPECT_EQ(Count(FileOf("9")), 2);
    EXPECT_TRUE(InfoShown());
    EXPECT_TRUE(MenuEnabled(IDM_OPEN_DOWNLOAD) && MenuEnabled(IDM_SHOW_DOWNLOAD));
}

}  // namespace
